# The default project's front picture is painted by a small program of ours
# at build time and installed with the other default files.
add_executable(make_front_jpg ${CMAKE_CURRENT_LIST_DIR}/make_front_jpg.cpp)
target_link_libraries(make_front_jpg PRIVATE qz_platform Qt6::Gui)
qz_set_warnings(make_front_jpg)

set(QZ_FRONT_JPG ${CMAKE_CURRENT_BINARY_DIR}/Front.jpg)
add_custom_command(OUTPUT ${QZ_FRONT_JPG}
    COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen
            $<TARGET_FILE:make_front_jpg> ${QZ_FRONT_JPG}
    DEPENDS make_front_jpg
    COMMENT "Painting the default project's front picture")
add_custom_target(default_front_picture ALL DEPENDS ${QZ_FRONT_JPG})
install(FILES ${QZ_FRONT_JPG} DESTINATION ${QZ_INSTALL_DIR})
