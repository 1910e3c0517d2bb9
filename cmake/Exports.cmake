# The public header is the one list of exports: every function declared there
# with LUMENMETA_API is exported, nothing else. The list becomes an anonymous
# linker version script, so that no weak std:: template instance leaks out and
# no version node shows up in the dynamic symbol table.
function(lumenmeta_export_names header out_var)
  file(READ "${header}" text)
  string(REGEX MATCHALL "\nLUMENMETA_API[^;(]*[ *]([A-Za-z_][A-Za-z0-9_]*)[ ]*\\(" decls "${text}")
  set(names "")
  foreach(decl IN LISTS decls)
    string(REGEX REPLACE ".*[ *]([A-Za-z_][A-Za-z0-9_]*)[ ]*\\($" "\\1" name "${decl}")
    list(APPEND names "${name}")
  endforeach()
  list(SORT names)
  set(${out_var} "${names}" PARENT_SCOPE)
endfunction()

function(lumenmeta_write_version_script header out_file)
  lumenmeta_export_names("${header}" names)
  set(body "{\n  global:\n")
  foreach(name IN LISTS names)
    string(APPEND body "    ${name};\n")
  endforeach()
  string(APPEND body "  local: *;\n};\n")
  file(WRITE "${out_file}.tmp" "${body}")
  configure_file("${out_file}.tmp" "${out_file}" COPYONLY)
endfunction()
