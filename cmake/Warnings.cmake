# Our own code compiles clean with every warning as an error. Exiv2's headers
# come in as system headers, so their warnings stay theirs. Exiv2 0.27's API
# hands out std::auto_ptr, which clang flags as deprecated wherever our code
# has to name it.
function(lumenmeta_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
  if(CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    target_compile_options(${target} PRIVATE -Wno-deprecated-declarations)
  endif()
endfunction()
