# cmake -DEMBED=<embed.cmake> -DWORK=<scratch dir> -P embed_test.cmake
# The resource embedding: listed files become byte arrays in a table by number
# and type; files that do not exist and comments are left out.
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK}/images)
file(WRITE ${WORK}/images/two.bin "AZ")
file(WRITE ${WORK}/test.rc "// 7 PNG \"images/commented.png\"
128   BITMAP \"images/two.bin\"
129   PNG    \"images/missing.png\"
130 PNG \"images/two.bin\"
")
execute_process(COMMAND ${CMAKE_COMMAND} -DRC=${WORK}/test.rc -DOUT=${WORK}/out.cpp -P ${EMBED}
                RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "embedding failed: ${result}")
endif()
file(READ ${WORK}/out.cpp out)

function(expect pattern)
  string(FIND "${out}" "${pattern}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "missing from the generated table: ${pattern}\n${out}")
  endif()
endfunction()
function(refuse pattern)
  string(FIND "${out}" "${pattern}" at)
  if(NOT at EQUAL -1)
    message(FATAL_ERROR "should not be in the generated table: ${pattern}\n${out}")
  endif()
endfunction()

expect("0x41,0x5a,")  # 'A', 'Z'
expect("{128, nullptr, \"BITMAP\", kResource0, 2}")
expect("{130, nullptr, \"PNG\", kResource1, 2}")
expect("kModuleResourceCount = 2;")
refuse("{129,")
refuse("{7,")
