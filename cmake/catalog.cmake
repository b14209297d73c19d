# zvi_catalog(<target> <output> <source>): builds the message catalog <output> from a
# readable source in gencat's format (set 1), as target <target>.
# - Linux: a POSIX message catalog, built by gencat.
# - Windows: a resource-only DLL holding a message table (message id = message number),
#   made by windmc and windres from the same source and read with FormatMessageA.
function(zvi_catalog target output source)
  if(WIN32)
    get_filename_component(stem ${output} NAME_WE)
    set(work ${CMAKE_CURRENT_BINARY_DIR}/${target}.dir)
    add_custom_command(OUTPUT ${output}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${work}
      COMMAND ${CMAKE_COMMAND} -DSOURCE=${source} -DOUTPUT=${work}/${stem}.mc
              -P ${PROJECT_SOURCE_DIR}/cmake/catalog_to_mc.cmake
      COMMAND ${CMAKE_MC_COMPILER} -A -h ${work} -r ${work} ${work}/${stem}.mc
      COMMAND ${CMAKE_RC_COMPILER} -I ${work} -O coff -o ${work}/${stem}.res ${work}/${stem}.rc
      COMMAND ${CMAKE_C_COMPILER} -shared -nostdlib -Wl,-e,0 -s -o ${output} ${work}/${stem}.res
      DEPENDS ${source} ${PROJECT_SOURCE_DIR}/cmake/catalog_to_mc.cmake
      VERBATIM)
  else()
    find_program(GENCAT gencat REQUIRED)
    add_custom_command(OUTPUT ${output}
      COMMAND ${CMAKE_COMMAND} -E remove -f ${output}
      COMMAND ${GENCAT} ${output} ${source}
      DEPENDS ${source}
      VERBATIM)
  endif()
  add_custom_target(${target} ALL DEPENDS ${output})
endfunction()
