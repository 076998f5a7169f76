# Runs one command of the icon tools and checks all of what it must do, not just one part of it:
#
#   cmake -DCOMMAND=<program>|<arg>|... -DEXIT=<code> [-DERROR=<regex>] [-DOUTPUT=<file>]
#         [-DTHEN=<program>|<arg>|...] [-DPNG=<width>x<height>] [-DPIXELS=<x>,<y>,<rrggbb>|...]
#         -P expect.cmake
#
# EXIT      the exit code the command must end with
# ERROR     what its standard error, without the final line end, must match; without it, standard
#           error must be empty
# OUTPUT    the file the command writes: removed first, then it must exist when EXIT is 0 and must not
#           when the command fails (a refused picture leaves no icon behind)
# THEN      a second command, run only after the first succeeded, that must exit 0 with nothing on
#           standard error (the checker reading the icon back)
# PNG       OUTPUT is a PNG of this size in 8-bit RGB ...
# PIXELS    ... with these pixels; the tool writes uncompressed deflate blocks, so the rows can be read
#           straight from the file while the image is below 64 KiB
cmake_minimum_required(VERSION 3.25)

function(fail message)
  message(FATAL_ERROR "${message}")
endfunction()

function(run_command command exit_wanted error_wanted)
  string(REPLACE "|" ";" argv "${command}")
  execute_process(COMMAND ${argv} RESULT_VARIABLE code OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT code STREQUAL exit_wanted)
    fail("${command}\nexited with ${code}, expected ${exit_wanted}\nstandard error: ${err}")
  endif()
  string(STRIP "${err}" err_line)
  if(error_wanted STREQUAL "" AND NOT err STREQUAL "")
    fail("${command}\nwrote to standard error: ${err}")
  elseif(NOT error_wanted STREQUAL "" AND NOT err_line MATCHES "${error_wanted}")
    fail("${command}\nstandard error does not match \"${error_wanted}\": ${err}")
  endif()
endfunction()

# The bytes of OUTPUT from `offset`, `count` of them, as lower-case hex.
function(read_hex offset count var)
  file(READ "${OUTPUT}" hex OFFSET ${offset} LIMIT ${count} HEX)
  set(${var} "${hex}" PARENT_SCOPE)
endfunction()

function(check_png)
  string(REGEX MATCH "^([0-9]+)x([0-9]+)$" size "${PNG}")
  if(NOT size)
    fail("PNG takes <width>x<height>, not ${PNG}")
  endif()
  set(width ${CMAKE_MATCH_1})
  set(height ${CMAKE_MATCH_2})
  # Signature, then the IHDR chunk: length 13, type, width, height, depth 8, colour type 2 (RGB).
  math(EXPR w "${width}" OUTPUT_FORMAT HEXADECIMAL)
  math(EXPR h "${height}" OUTPUT_FORMAT HEXADECIMAL)
  foreach(part w h)
    string(REPLACE "0x" "" ${part} "${${part}}")
    string(LENGTH "${${part}}" length)
    while(length LESS 8)
      set(${part} "0${${part}}")
      math(EXPR length "${length} + 1")
    endwhile()
    string(TOLOWER "${${part}}" ${part})
  endforeach()
  read_hex(0 26 head)
  set(head_wanted "89504e470d0a1a0a0000000d49484452${w}${h}0802")
  if(NOT head STREQUAL head_wanted)
    fail("${OUTPUT}: PNG head ${head}, expected ${head_wanted}")
  endif()
  # After IHDR (8 + 25 bytes) come IDAT's length and type, the zlib header and one stored block's
  # 5-byte header; then the rows, each a filter byte and 3 bytes a pixel.
  math(EXPR row_bytes "1 + 3 * ${width}")
  math(EXPR raw_bytes "${row_bytes} * ${height}")
  if(raw_bytes GREATER 65535)
    fail("a PNG of ${PNG} needs more than one stored block; PIXELS reads only the first")
  endif()
  read_hex(41 7 block)
  if(NOT block MATCHES "^780101")
    fail("${OUTPUT}: the image data does not start with a zlib header for stored blocks: ${block}")
  endif()
  string(REPLACE "|" ";" pixels "${PIXELS}")
  foreach(pixel IN LISTS pixels)
    string(REPLACE "," ";" pixel "${pixel}")
    list(GET pixel 0 x)
    list(GET pixel 1 y)
    list(GET pixel 2 rgb)
    math(EXPR at "48 + ${y} * ${row_bytes} + 1 + 3 * ${x}")
    read_hex(${at} 3 got)
    if(NOT got STREQUAL rgb)
      fail("${OUTPUT}: pixel (${x}, ${y}) is ${got}, expected ${rgb}")
    endif()
  endforeach()
endfunction()

if(NOT DEFINED COMMAND OR NOT DEFINED EXIT)
  fail("expect.cmake needs COMMAND and EXIT")
endif()
if(DEFINED OUTPUT)
  file(REMOVE "${OUTPUT}")
endif()
run_command("${COMMAND}" "${EXIT}" "${ERROR}")
if(DEFINED OUTPUT)
  if(EXIT STREQUAL "0" AND NOT EXISTS "${OUTPUT}")
    fail("${OUTPUT} was not written")
  elseif(NOT EXIT STREQUAL "0" AND EXISTS "${OUTPUT}")
    fail("${OUTPUT} was written although the command failed")
  endif()
endif()
if(DEFINED PNG)
  check_png()
endif()
if(DEFINED THEN)
  run_command("${THEN}" 0 "")
endif()
