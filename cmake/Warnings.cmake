# Our own code compiles clean with every warning as an error. Exiv2's headers
# come in as system headers, so their warnings stay theirs.
function(lumenmeta_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
endfunction()
