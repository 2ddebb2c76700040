# Checks that every file of src/ includes only what the rule of its layer allows: the table in
# the ```layers block of docs/architecture.md. Run from anywhere:
#
#   cmake -P scripts/check-layers.cmake
#   cmake -DSRC=<a src folder> -DTABLE=<a file with the block> -P scripts/check-layers.cmake
#
# A table line reads `folder: what its files may include`. A file belongs to the longest folder
# of the table its path starts with (src/link/usb/X.h to link/usb, src/link/X.h to link); a
# folder of src/ without a line is an error. A file may include, with "folder/...", its own
# layer's headers, the layers its line names, and single headers its line names by path
# (link/PortNaming.h); `*` allows every layer. The words Qt, libusb, umockdev, zint and zxing
# allow those libraries' headers (<Q...>, <libusb...>, <umockdev...>, <zint.h>, <ZXing/...>),
# which no other layer includes.
# Prints every breach as `src/<file>:<line>: ...` and fails if there is one.

cmake_minimum_required(VERSION 3.25)

get_filename_component(root "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)
if(NOT SRC)
  set(SRC "${root}/src")
endif()
if(NOT TABLE)
  set(TABLE "${root}/docs/architecture.md")
endif()

# The table.
file(READ "${TABLE}" doc)
string(FIND "${doc}" "\n```layers\n" start)
if(start EQUAL -1)
  message(FATAL_ERROR "${TABLE}: no ```layers block")
endif()
math(EXPR start "${start} + 11")
string(SUBSTRING "${doc}" ${start} -1 doc)
string(FIND "${doc}" "\n```" end)
string(SUBSTRING "${doc}" 0 ${end} doc)
string(REPLACE "\n" ";" table_lines "${doc}")

set(layers)
set(toolkits Qt libusb umockdev zint zxing)
foreach(entry IN LISTS table_lines)
  if(entry MATCHES "^[ \t]*(#|$)")
    continue()
  endif()
  if(NOT entry MATCHES "^([a-z0-9_/]+):[ \t]*(.*)$")
    message(FATAL_ERROR "${TABLE}: a ```layers line reads `folder: allowed ...`, not `${entry}`")
  endif()
  set(layer "${CMAKE_MATCH_1}")
  string(STRIP "${CMAKE_MATCH_2}" allowed)
  list(APPEND layers "${layer}")
  set("rule_text_${layer}" "${allowed}")
  string(REGEX REPLACE "[ \t]+" ";" allowed "${allowed}")
  set("rule_${layer}" ${allowed})
endforeach()

# The layer of a path under src/: the longest table folder it starts with, or "".
function(layer_of path out)
  set(found "")
  foreach(layer IN LISTS layers)
    string(LENGTH "${layer}" length)
    string(LENGTH "${found}" found_length)
    if(path MATCHES "^${layer}/" AND length GREATER found_length)
      set(found "${layer}")
    endif()
  endforeach()
  set(${out} "${found}" PARENT_SCOPE)
endfunction()

# A word of a line must name a layer, a header of the tree, * or a library.
foreach(layer IN LISTS layers)
  foreach(word IN LISTS "rule_${layer}")
    if(NOT word IN_LIST layers AND NOT word IN_LIST toolkits AND NOT word STREQUAL "*"
       AND NOT EXISTS "${SRC}/${word}")
      message(FATAL_ERROR "${TABLE}: the line of ${layer} names `${word}`, which is no layer, header or library")
    endif()
  endforeach()
endforeach()

set(breaches 0)
function(breach file text message)
  file(READ "${SRC}/${file}" content)
  string(FIND "${content}" "${text}" at)
  string(SUBSTRING "${content}" 0 ${at} before)
  string(REGEX MATCHALL "\n" newlines "${before}")
  list(LENGTH newlines line)
  math(EXPR line "${line} + 1")
  message("src/${file}:${line}: ${message}")
  math(EXPR count "${breaches} + 1")
  set(breaches ${count} PARENT_SCOPE)
endfunction()

file(GLOB_RECURSE files RELATIVE "${SRC}" "${SRC}/*.h" "${SRC}/*.hpp" "${SRC}/*.cpp")
list(SORT files)
foreach(file IN LISTS files)
  layer_of("${file}" layer)
  if(layer STREQUAL "")
    message("src/${file}:1: its folder has no line in the layer table")
    math(EXPR breaches "${breaches} + 1")
    continue()
  endif()
  set(rule ${rule_${layer}})
  set(rule_text "the rule of ${layer}/ allows: ${rule_text_${layer}}")
  file(STRINGS "${SRC}/${file}" includes ENCODING UTF-8 REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
  foreach(text IN LISTS includes)
    string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*[<\"]([^>\"]*)[>\"].*$" "\\1" header "${text}")
    if(text MATCHES "^[ \t]*#[ \t]*include[ \t]*\"" AND header MATCHES "/")
      layer_of("${header}" target)
      if(target STREQUAL "")
        breach("${file}" "${text}" "includes \"${header}\", which is in no layer of the table")
      elseif(NOT target STREQUAL layer AND NOT "*" IN_LIST rule AND NOT target IN_LIST rule
             AND NOT header IN_LIST rule)
        breach("${file}" "${text}" "includes \"${header}\" of ${target}/; ${rule_text}")
      endif()
    else()
      set(toolkit "")
      if(header MATCHES "^Q")
        set(toolkit Qt)
      elseif(header MATCHES "^libusb")
        set(toolkit libusb)
      elseif(header MATCHES "^umockdev")
        set(toolkit umockdev)
      elseif(header MATCHES "^zint")
        set(toolkit zint)
      elseif(header MATCHES "^ZXing/")
        set(toolkit zxing)
      endif()
      if(toolkit AND NOT toolkit IN_LIST rule)
        breach("${file}" "${text}" "includes <${header}> of ${toolkit}; ${rule_text}")
      endif()
    endif()
  endforeach()
endforeach()

if(breaches GREATER 0)
  message(FATAL_ERROR "${breaches} include(s) against the layer table of ${TABLE}")
endif()
list(LENGTH files count)
message(STATUS "${count} files of ${SRC} keep to the layer table")
