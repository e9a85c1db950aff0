# Installs the build twice into a scratch directory, per user (HOME pointed there)
# and system-wide (under DESTDIR), and checks that each plug-in lands in a folder
# hosts scan. Run as: cmake -DBUILD=<build dir> -DSCRATCH=<dir> -P install_test.cmake
file(REMOVE_RECURSE "${SCRATCH}")
file(MAKE_DIRECTORY "${SCRATCH}/home")

function(expect_files)
  foreach(path ${ARGN})
    if(NOT EXISTS "${path}")
      message(FATAL_ERROR "not installed: ${path}")
    endif()
  endforeach()
endfunction()

set(ENV{HOME} "${SCRATCH}/home")
set(ENV{ZARNITH_INSTALL_SCOPE} "")
execute_process(COMMAND ${CMAKE_COMMAND} --install "${BUILD}" RESULT_VARIABLE status OUTPUT_QUIET)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "per-user install failed")
endif()
expect_files("${SCRATCH}/home/.vst/zarnith.so" "${SCRATCH}/home/.lv2/zarnith.lv2/manifest.ttl"
             "${SCRATCH}/home/.lv2/zarnith.lv2/zarnith.ttl" "${SCRATCH}/home/.lv2/zarnith.lv2/presets.ttl"
             "${SCRATCH}/home/.lv2/zarnith.lv2/zarnith_dsp.so" "${SCRATCH}/home/.lv2/zarnith.lv2/zarnith_ui.so"
             "${SCRATCH}/home/.clap/zarnith.clap")

set(ENV{HOME} "${SCRATCH}/nobody")
set(ENV{ZARNITH_INSTALL_SCOPE} "system")
set(ENV{DESTDIR} "${SCRATCH}/root")
execute_process(COMMAND ${CMAKE_COMMAND} --install "${BUILD}" --prefix /usr/local RESULT_VARIABLE status OUTPUT_QUIET)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "system-wide install failed")
endif()
expect_files("${SCRATCH}/root/usr/local/lib/vst/zarnith.so" "${SCRATCH}/root/usr/local/lib/lv2/zarnith.lv2/manifest.ttl"
             "${SCRATCH}/root/usr/local/lib/lv2/zarnith.lv2/zarnith_dsp.so" "${SCRATCH}/root/usr/lib/clap/zarnith.clap")
if(EXISTS "${SCRATCH}/nobody")
  message(FATAL_ERROR "a system-wide install wrote into HOME")
endif()

set(ENV{ZARNITH_INSTALL_SCOPE} "everywhere")
execute_process(COMMAND ${CMAKE_COMMAND} --install "${BUILD}" RESULT_VARIABLE status OUTPUT_QUIET ERROR_QUIET)
if(status EQUAL 0)
  message(FATAL_ERROR "an unknown install scope was accepted")
endif()
file(REMOVE_RECURSE "${SCRATCH}")
