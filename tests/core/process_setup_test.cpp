#include "runtime/core/process_setup.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>

namespace zl {
namespace {

namespace fs = std::filesystem;

uint16_t x87_control_word() {
    uint16_t control = 0;
    __asm__ volatile("fnstcw %0" : "=m"(control));
    return control;
}

void load_x87_control_word(uint16_t control) { __asm__ volatile("fldcw %0" : : "m"(control)); }

TEST(ExtendedPrecision, SetsPrecisionControlAndKeepsTheMasks) {
    const uint16_t saved = x87_control_word();
    load_x87_control_word(0x027F);   // 53-bit mantissa, all exceptions masked
    set_extended_precision();
    EXPECT_EQ(x87_control_word(), 0x037F);
    load_x87_control_word(0x007B);   // 24-bit mantissa, two exceptions unmasked
    set_extended_precision();
    EXPECT_EQ(x87_control_word(), 0x037B);
    load_x87_control_word(saved);
}

void set_line(const char* line) {
    char program[] = "zentrolux";
    std::string copy = line;
    char* argv[] = {program, copy.data()};
    set_command_line(line[0] == '\0' ? 1 : 2, argv);
}

class ChainRestoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        start = fs::current_path();
        work = fs::temp_directory_path() / ("zl_chain_" + std::to_string(getpid()));
        target = work / "target dir";
        fs::create_directories(target);
        fs::current_path(work);
    }
    void TearDown() override {
        fs::current_path(start);
        fs::remove_all(work);
    }
    void write_chain_file(const char* name) {
        std::ofstream file(work / name);
        file << target.string() << "\nscreen 0\n";
    }
    fs::path start, work, target;
};

TEST_F(ChainRestoreTest, TaggedCommandLineRestoresTheDirectoryAndDropsTheTag) {
    write_chain_file("chain001.tmp");
    set_line("-x (unique-tag:=/@*$+-)chain001.tmp");
    chain_restore_at_start();
    EXPECT_STREQ(command_line(), "-x");
    EXPECT_EQ(fs::current_path(), target);
    EXPECT_FALSE(fs::exists(work / "chain001.tmp"));
}

TEST_F(ChainRestoreTest, TagAloneLeavesAnEmptyCommandLine) {
    write_chain_file("chainABC.tmp");
    set_line("(unique-tag:=/@*$+-)chainABC.tmp");
    chain_restore_at_start();
    EXPECT_STREQ(command_line(), "");
    EXPECT_EQ(fs::current_path(), target);
}

TEST_F(ChainRestoreTest, AnythingElseChangesNothing) {
    write_chain_file("chain001.tmp");
    for (const char* line : {"", "plain words", "x (unique-tag:=/@*$+-)chain001.tmpx",
                             "x (unique-tag:=/@*$+-)chainX01.txt",
                             "x (unique-tag:=/@*$+-)Chain001.tmp",
                             "x (unique-tag:=/@*$+ )chain001.tmp"}) {
        set_line(line);
        chain_restore_at_start();
        EXPECT_STREQ(command_line(), line);
        EXPECT_EQ(fs::current_path(), work);
    }
    EXPECT_TRUE(fs::exists(work / "chain001.tmp"));
}

TEST_F(ChainRestoreTest, MissingFileStillDropsTheTagAndStays) {
    set_line("a (unique-tag:=/@*$+-)chain999.tmp");
    chain_restore_at_start();
    EXPECT_STREQ(command_line(), "a");
    EXPECT_EQ(fs::current_path(), work);
}

}  // namespace
}  // namespace zl
