# Warnings and the sanitizer builds (ZL_SANITIZE: AddressSanitizer and UndefinedBehaviorSanitizer;
# ZL_TSAN: ThreadSanitizer), as directory options of the folder that includes this file.
add_compile_options(-Wall -Wextra)
if(ZL_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()
if(ZL_TSAN)
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
endif()
