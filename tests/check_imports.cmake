# Fails when the exe imports a DLL or a function that is not on the allow-list, so that nothing newer
# than Windows XP SP3 (and nothing outside the system's own DLLs) slips into the import table unnoticed;
# and when its PE header lacks a protection the build asks for: DEP (NX_COMPAT), address space
# randomisation (DYNAMIC_BASE, with the base relocations it needs to move the image at all, and
# HIGH_ENTROPY_VA for a 64-bit exe) and terminal-server awareness.
#
#   cmake -DOBJDUMP=<objdump> -DEXE=<exe> -DALLOWED=<list file> -P check_imports.cmake
#
# The list holds one "dll!function" per line, the DLL name in lower case; "#" starts a comment. A function
# imported by ordinal only is written "dll!#<ordinal>". A DLL is allowed when at least one of its
# functions is listed.

foreach(var OBJDUMP EXE ALLOWED)
  if(NOT DEFINED ${var} OR "${${var}}" STREQUAL "")
    message(FATAL_ERROR "check_imports: -D${var}=... is required")
  endif()
endforeach()

file(STRINGS "${ALLOWED}" allowed_lines ENCODING UTF-8)
set(allowed_functions "")
set(allowed_dlls "")
foreach(line IN LISTS allowed_lines)
  string(REGEX REPLACE "(^|[ \t])#.*$" "" entry "${line}")
  string(STRIP "${entry}" entry)
  if(entry STREQUAL "")
    continue()
  endif()
  if(NOT entry MATCHES "^([a-z0-9_.-]+\\.dll)!([^ \t]+)$")
    message(FATAL_ERROR "check_imports: ${ALLOWED}: not a dll!function entry: '${line}'")
  endif()
  list(APPEND allowed_functions "${entry}")
  list(APPEND allowed_dlls "${CMAKE_MATCH_1}")
endforeach()
list(REMOVE_DUPLICATES allowed_dlls)

# objdump translates its headings; the parsing below reads the English ones.
set(ENV{LC_ALL} C)
execute_process(COMMAND "${OBJDUMP}" -p "${EXE}" OUTPUT_VARIABLE dump ERROR_VARIABLE dump_errors
                RESULT_VARIABLE dump_result)
if(NOT dump_result EQUAL 0)
  message(FATAL_ERROR "check_imports: ${OBJDUMP} -p ${EXE} failed (${dump_result}): ${dump_errors}")
endif()

# The header's flags, read as numbers: objdump's names for them vary between versions.
if(NOT dump MATCHES "\nMagic[ \t]+0*(10b|20b)")
  message(FATAL_ERROR "check_imports: no PE32 or PE32+ magic in the header of ${EXE}")
endif()
set(pe_magic "${CMAKE_MATCH_1}")
if(NOT dump MATCHES "\nCharacteristics[ \t]+0x([0-9a-fA-F]+)")
  message(FATAL_ERROR "check_imports: no Characteristics in the header of ${EXE}")
endif()
set(characteristics "0x${CMAKE_MATCH_1}")
if(NOT dump MATCHES "\nDllCharacteristics[ \t]+([0-9a-fA-F]+)")
  message(FATAL_ERROR "check_imports: no DllCharacteristics in the header of ${EXE}")
endif()
set(dll_characteristics "0x${CMAKE_MATCH_1}")
set(required_flags NX_COMPAT 0x0100 DYNAMIC_BASE 0x0040 TERMINAL_SERVER_AWARE 0x8000)
if(pe_magic STREQUAL "20b")
  list(APPEND required_flags HIGH_ENTROPY_VA 0x0020)
endif()
set(missing_flags "")
while(required_flags)
  list(POP_FRONT required_flags flag_name flag_bit)
  math(EXPR flag_set "${dll_characteristics} & ${flag_bit}")
  if(flag_set EQUAL 0)
    list(APPEND missing_flags "${flag_name}")
  endif()
endwhile()
# Without relocations the system cannot move the image, whatever DYNAMIC_BASE says.
math(EXPR relocations_stripped "${characteristics} & 0x0001")
if(NOT dump MATCHES "\nEntry 5 [0-9a-fA-F]+ ([0-9a-fA-F]+) Base Relocation Directory" OR
   "0x${CMAKE_MATCH_1}" EQUAL 0 OR NOT relocations_stripped EQUAL 0)
  list(APPEND missing_flags "base relocations")
endif()
if(missing_flags)
  list(JOIN missing_flags ", " text)
  message(FATAL_ERROR "check_imports: the PE header of ${EXE} (DllCharacteristics ${dll_characteristics}) "
                      "lacks: ${text}")
endif()

# Only the import tables count: they start with the line below and end where the next section starts.
string(FIND "${dump}" "The Import Tables" start)
if(start EQUAL -1)
  message(FATAL_ERROR "check_imports: ${EXE} has no import tables, which no exe built here lacks")
endif()
string(SUBSTRING "${dump}" ${start} -1 dump)
string(REGEX REPLACE "\n\nThe [^\n]*.*$" "" dump "${dump}")
# Lists would split at semicolons; none belong in a DLL or function name.
string(REPLACE ";" "," dump "${dump}")
string(REPLACE "\n" ";" dump_lines "${dump}")

set(imports "")
set(dll "")
foreach(line IN LISTS dump_lines)
  if(line MATCHES "^[ \t]*DLL Name:[ \t]*([^ \t]+)")
    string(TOLOWER "${CMAKE_MATCH_1}" dll)
    list(APPEND imports "${dll}")
  elseif(NOT dll STREQUAL "" AND line MATCHES "^\t[0-9a-fA-F]+\t +([0-9]+)( +<none>)?[ \t]*$")
    # Imported by ordinal, without a name.
    list(APPEND imports "${dll}!#${CMAKE_MATCH_1}")
  elseif(NOT dll STREQUAL "" AND line MATCHES "^\t[0-9a-fA-F]+\t +([0-9]+) +([^ \t]+)")
    list(APPEND imports "${dll}!${CMAKE_MATCH_2}")
  # Binutils 2.43 and later (Debian 13) give the ordinal column first, "<none>" for a name, then the hint.
  elseif(NOT dll STREQUAL "" AND line MATCHES "^\t[0-9a-fA-F]+ +<none> +[0-9a-fA-F]+ +([^ \t]+)")
    list(APPEND imports "${dll}!${CMAKE_MATCH_1}")
  elseif(NOT dll STREQUAL "" AND line MATCHES "^\t[0-9a-fA-F]+ +([0-9]+) +([0-9a-fA-F]+|<none>)[ \t]*$")
    list(APPEND imports "${dll}!#${CMAKE_MATCH_1}")
  endif()
endforeach()

set(unknown "")
set(function_count 0)
foreach(item IN LISTS imports)
  if(item MATCHES "^([^!]+)!")
    math(EXPR function_count "${function_count} + 1")
    # A DLL that is not allowed at all is reported once, not with every function taken from it.
    list(FIND allowed_dlls "${CMAKE_MATCH_1}" dll_found)
    list(FIND allowed_functions "${item}" found)
    if(NOT dll_found EQUAL -1 AND found EQUAL -1)
      list(APPEND unknown "function ${item}")
    endif()
  else()
    list(FIND allowed_dlls "${item}" found)
    if(found EQUAL -1)
      list(APPEND unknown "DLL ${item} (not one of the system's own DLLs: link it statically)")
    endif()
  endif()
endforeach()

if(function_count EQUAL 0)
  message(FATAL_ERROR "check_imports: found no imported functions in ${EXE}; has the objdump output changed?")
endif()
if(unknown)
  list(REMOVE_DUPLICATES unknown)
  list(JOIN unknown "\n  " text)
  message(FATAL_ERROR
          "check_imports: ${EXE} imports what the allow-list does not hold:\n  ${text}\n"
          "Check that each exists on Windows XP SP3 (the documentation's \"Minimum supported client\") and "
          "add it to ${ALLOWED}; a newer function must be reached through GetProcAddress instead.")
endif()
message(STATUS "check_imports: ${function_count} imported functions, all on the allow-list; "
               "DllCharacteristics ${dll_characteristics}")
