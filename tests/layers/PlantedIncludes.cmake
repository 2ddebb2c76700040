# The layer check on a copy of src/ with breaches planted: an upward include, Qt below the
# boundary, the barcode libraries outside their layers and a folder the table does not know. It must fail and name each, file and line.
# cmake -DCHECK=scripts/check-layers.cmake -DSRC=src -DWORK=<scratch folder> -P PlantedIncludes.cmake
file(REMOVE_RECURSE "${WORK}")
file(COPY "${SRC}" DESTINATION "${WORK}")
file(WRITE "${WORK}/src/window/Planted.h" "#pragma once\n\n#include \"link/Host.h\"\n#include \"app/Application.h\"\n")
file(WRITE "${WORK}/src/status/Planted.cpp" "#include \"status/Identity.h\"\n#include <QString>\n")
file(WRITE "${WORK}/src/scratch/Planted.h" "#include <vector>\n")
file(WRITE "${WORK}/src/codes/Planted.cpp" "#include <zint.h>\n#include <ZXing/ReadBarcode.h>\n")
execute_process(COMMAND "${CMAKE_COMMAND}" -DSRC=${WORK}/src -P "${CHECK}"
                RESULT_VARIABLE result ERROR_VARIABLE output)
string(REGEX MATCHALL "src/[^\n]*" breaches "${output}")
set(expected
  "src/codes/Planted.cpp:1: includes <zint.h> of zint; the rule of codes/ allows: run scan commands status link protocol"
  "src/codes/Planted.cpp:2: includes <ZXing/ReadBarcode.h> of zxing; the rule of codes/ allows: run scan commands status link protocol"
  "src/scratch/Planted.h:1: its folder has no line in the layer table"
  "src/status/Planted.cpp:2: includes <QString> of Qt; the rule of status/ allows: link link/usb protocol"
  "src/window/Planted.h:4: includes \"app/Application.h\" of app/; the rule of window/ allows: codes pictures run connection bitmap patterns commands status link protocol")
if(result EQUAL 0 OR NOT breaches STREQUAL expected)
  message(FATAL_ERROR "the check said (exit ${result}):\n${output}")
endif()
file(REMOVE_RECURSE "${WORK}")
