# LUMENMETA_SANITIZE=address,undefined builds everything with those sanitizers;
# any report stops the process, so a test that trips one fails.
if(LUMENMETA_SANITIZE)
  add_compile_options(-fsanitize=${LUMENMETA_SANITIZE} -fno-sanitize-recover=all
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=${LUMENMETA_SANITIZE})
  # GCC's instrumentation makes -Wmaybe-uninitialized report false positives
  # inside the standard library (std::regex with g++ 12); with -Werror they
  # would stop the build. The plain build keeps the warning.
  add_compile_options($<$<CXX_COMPILER_ID:GNU>:-Wno-maybe-uninitialized>)
endif()
