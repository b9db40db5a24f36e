# Fails when a source of the program includes a file by a relative path that
# climbs out of its folder ("../"), which would bypass the layers' include
# directories.
file(GLOB_RECURSE sources
     ${ROOT}/files/*.h ${ROOT}/files/*.cpp ${ROOT}/settings/*.h ${ROOT}/settings/*.cpp
     ${ROOT}/stats/*.h ${ROOT}/stats/*.cpp ${ROOT}/core/*.h ${ROOT}/core/*.cpp ${ROOT}/ui/*.h ${ROOT}/ui/*.cpp
     ${ROOT}/app/*.h ${ROOT}/app/*.cpp)
set(found "")
foreach(source ${sources})
  file(STRINGS ${source} lines REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<][^\">]*\\.\\./")
  foreach(line ${lines})
    string(APPEND found "\n  ${source}: ${line}")
  endforeach()
endforeach()
list(LENGTH sources count)
if(count EQUAL 0)
  message(FATAL_ERROR "no sources found under ${ROOT}")
endif()
if(found)
  message(FATAL_ERROR "relative includes step around the layers:${found}")
endif()
message(STATUS "${count} sources, no relative includes")
