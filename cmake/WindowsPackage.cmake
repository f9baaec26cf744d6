# The Windows programs and a short text on using them, in one zip archive:
# bmp2cdata-<version>-win64.zip in the build folder. The programs in the
# archive are stripped of their symbols; those in bin/ keep them.
set(package_name bmp2cdata-${PROJECT_VERSION}-win64)
set(package_root ${CMAKE_BINARY_DIR}/package)
set(package_dir ${package_root}/${package_name})
configure_file(${CMAKE_SOURCE_DIR}/win32/README.txt.in ${package_root}/README.txt @ONLY NEWLINE_STYLE CRLF)

set(packaged_programs bmp2cdata-gui)
if(TARGET bmp2cdata)
    list(APPEND packaged_programs bmp2cdata)
    # The command line carries version details as the window does.
    configure_file(${CMAKE_CURRENT_LIST_DIR}/bmp2cdata.rc.in ${CMAKE_BINARY_DIR}/bmp2cdata.rc @ONLY)
    target_sources(bmp2cdata PRIVATE ${CMAKE_BINARY_DIR}/bmp2cdata.rc)
endif()
set(strip_programs)
foreach(program IN LISTS packaged_programs)
    list(APPEND strip_programs COMMAND ${CMAKE_STRIP} -o ${package_dir}/${program}.exe $<TARGET_FILE:${program}>)
endforeach()

add_custom_target(package_windows
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${package_dir} ${CMAKE_BINARY_DIR}/${package_name}.zip
    COMMAND ${CMAKE_COMMAND} -E make_directory ${package_dir}
    ${strip_programs}
    COMMAND ${CMAKE_COMMAND} -E copy ${package_root}/README.txt ${package_dir}/README.txt
    COMMAND ${CMAKE_COMMAND} -E chdir ${package_root}
            ${CMAKE_COMMAND} -E tar cf ${CMAKE_BINARY_DIR}/${package_name}.zip --format=zip ${package_name}
    DEPENDS ${packaged_programs}
    COMMENT "Packing ${package_name}.zip"
    VERBATIM
)
