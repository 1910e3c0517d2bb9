# LUMENMETA_SANITIZE=address,undefined builds everything with those sanitizers;
# any report stops the process, so a test that trips one fails.
if(LUMENMETA_SANITIZE)
  # At -O1, which the sanitizers are made for, the compiler takes about half
  # the time it takes at -O2 with their instrumentation in.
  add_compile_options(-fsanitize=${LUMENMETA_SANITIZE} -fno-sanitize-recover=all
                      -fno-omit-frame-pointer -O1)
  add_link_options(-fsanitize=${LUMENMETA_SANITIZE})
  # GCC's flow analysis gives false "may be used uninitialized" reports in
  # the standard library's <regex> and <functional> once the sanitizers'
  # instrumentation is in; the plain build keeps the warning.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    add_compile_options(-Wno-maybe-uninitialized)
  endif()
endif()
