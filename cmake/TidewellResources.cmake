# tidewell_add_resource_table(<target> "TYPE|NAME|LANGUAGE|FILE" ...)
# Makes an OBJECT library whose single generated source holds the files' bytes and registers
# them with the platform's resource table when the program starts. Link it into executables.
set(_tidewell_embed_script ${CMAKE_CURRENT_LIST_DIR}/EmbedResources.cmake)

function(tidewell_add_resource_table target)
  set(out ${CMAKE_CURRENT_BINARY_DIR}/${target}_table.cpp)
  set(files)
  foreach(entry IN LISTS ARGN)
    string(REPLACE "|" ";" parts "${entry}")
    list(GET parts 3 file)
    list(APPEND files ${file})
  endforeach()
  string(REPLACE ";" "," entries "${ARGN}")
  add_custom_command(OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} "-DENTRIES=${entries}" -DOUTPUT=${out} -P ${_tidewell_embed_script}
    DEPENDS ${files} ${_tidewell_embed_script}
    COMMENT "Embedding resources of ${target}" VERBATIM)
  add_library(${target} OBJECT ${out})
  target_link_libraries(${target} PUBLIC tidewell_platform)
endfunction()
