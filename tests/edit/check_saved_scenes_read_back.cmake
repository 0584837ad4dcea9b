# The scenes the edit tests saved, read by the host again and saved once more beside themselves:
# each must read back (the save before would not have said "saved" otherwise) and come out byte
# for byte as it was, so nothing an edit made is lost or changed on the way through the file.
file(WRITE ${DIR}/no_steps.json "[]")
string(REPLACE "," ";" scenes "${SCENES}")
foreach(scene ${scenes})
  get_filename_component(stem ${scene} NAME_WE)
  execute_process(COMMAND ${HOST} edit ${scene} --script no_steps.json -o ${stem}.again.json
                  WORKING_DIRECTORY ${DIR} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${scene} does not read back: ${err}")
  endif()
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${DIR}/${scene} ${DIR}/${stem}.again.json RESULT_VARIABLE same)
  if(NOT same EQUAL 0)
    message(FATAL_ERROR "${scene} saved again differs from itself (see ${DIR}/${stem}.again.json)")
  endif()
endforeach()
