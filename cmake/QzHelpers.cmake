# Shared build rules: warnings for our own code, one static library per folder,
# one test executable per tst_*.cpp file.

function(qz_set_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Werror)
    target_compile_definitions(${target} PRIVATE
        QT_USE_QSTRINGBUILDER QT_NO_URL_CAST_FROM_STRING QT_NO_FOREACH
        QT_NO_CAST_FROM_BYTEARRAY)
endfunction()

# qz_add_library(<name> [DEPS lib...])
# Builds every .cpp/.h of the calling folder (and its platform-specific
# *_linux.cpp / *_win.cpp, chosen by the system) into a static library.
function(qz_add_library name)
    cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
    file(GLOB sources CONFIGURE_DEPENDS
        ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
    if(WIN32)
        list(FILTER sources EXCLUDE REGEX "_linux\\.cpp$")
    else()
        list(FILTER sources EXCLUDE REGEX "_win\\.cpp$")
    endif()
    list(FILTER sources EXCLUDE REGEX "/main\\.cpp$")
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} PUBLIC ${ARG_DEPS})
    qz_set_warnings(${name})
endfunction()

# qz_add_tests(LIBS lib...)
# Every tst_<name>.cpp of the calling folder becomes a test executable
# tst_<name>, linked with LIBS; a folder tst_<name>/ next to it may hold
# extra sources of that test.
function(qz_add_tests)
    cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
    file(GLOB tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tst_*.cpp)
    foreach(test_source IN LISTS tests)
        get_filename_component(test_name ${test_source} NAME_WE)
        file(GLOB extra CONFIGURE_DEPENDS
            ${CMAKE_CURRENT_SOURCE_DIR}/${test_name}/*.cpp
            ${CMAKE_CURRENT_SOURCE_DIR}/${test_name}/*.h)
        add_executable(${test_name} ${test_source} ${extra})
        target_link_libraries(${test_name} PRIVATE ${ARG_LIBS} Qt6::Test)
        target_compile_definitions(${test_name} PRIVATE
            QZ_TEST_DATA_DIR="${PROJECT_SOURCE_DIR}/tests/data"
            QZ_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
        qz_set_warnings(${test_name})
        add_test(NAME ${test_name} COMMAND ${test_name})
        # A home of its own: tests running side by side must not clear or
        # overwrite each other's settings file.
        set(test_home ${CMAKE_CURRENT_BINARY_DIR}/home-${test_name})
        file(MAKE_DIRECTORY ${test_home})
        set_tests_properties(${test_name} PROPERTIES
            ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LANG=C.UTF-8;TZ=UTC;HOME=${test_home};XDG_CONFIG_HOME=${test_home}/.config;XDG_DATA_HOME=${test_home}/.local/share;XDG_CACHE_HOME=${test_home}/.cache"
            TIMEOUT 300)
    endforeach()
endfunction()

# The generator of small audio files that the track import's tests and its
# benchmark share; made once, by whichever of them comes first.
function(qz_audio_fixtures)
    if(TARGET qz_audio_fixtures)
        return()
    endif()
    set(folder ${PROJECT_SOURCE_DIR}/tests/trackimport)
    add_library(qz_audio_fixtures STATIC ${folder}/AudioFixtures.cpp ${folder}/AudioFixtures.h)
    target_include_directories(qz_audio_fixtures PUBLIC ${folder})
    target_link_libraries(qz_audio_fixtures PUBLIC Qt6::Core PkgConfig::TagLib)
    qz_set_warnings(qz_audio_fixtures)
endfunction()
