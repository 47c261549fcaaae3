# Warnings and sanitizers for every target of the project.
add_compile_options(-Wall -Wextra -Wpedantic)
if(ZEL_SANITIZE)
  add_compile_options(-fsanitize=${ZEL_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=${ZEL_SANITIZE})
endif()
