# The names under which a stdcall function is exported and linked. The
# 32-bit program decorates them with the size of the arguments (Name@8 in a
# .def file, _Name@8 as a linker symbol); x86-64 has one calling convention
# and no decoration at all. The build asks here, and nowhere else.
#
#   velkoro_stdcall_names(DEF_VAR SYMBOL_VAR NAME ARGUMENT_BYTES)
function(velkoro_stdcall_names def_var symbol_var name argument_bytes)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(${def_var} "${name}@${argument_bytes}" PARENT_SCOPE)
    set(${symbol_var} "_${name}@${argument_bytes}" PARENT_SCOPE)
  else()
    set(${def_var} "${name}" PARENT_SCOPE)
    set(${symbol_var} "${name}" PARENT_SCOPE)
  endif()
endfunction()
