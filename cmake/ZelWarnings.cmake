# Warnings and sanitizers for every target of the project.
add_compile_options(-Wall -Wextra -Wpedantic)
# A switch over an enum that misses one of its values is a fault, not a warning: the pages'
# commands, the texts and the looks are all found through such switches.
add_compile_options(-Werror=switch)
if(ZEL_SANITIZE)
  add_compile_options(-fsanitize=${ZEL_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=${ZEL_SANITIZE})
endif()
# A fuzzing build instruments every library, so the fuzzers see coverage of the code under test.
if(ZEL_BUILD_FUZZERS)
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined)
  add_link_options(-fsanitize=address,undefined)
endif()
