# Helpers shared by every folder's CMakeLists.txt.

# Adds a folder when it has a CMakeLists.txt, so modules can land one at a time.
macro(tickora_add_module dir)
    if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/CMakeLists.txt)
        add_subdirectory(${dir})
    endif()
endmacro()

# tickora_test(NAME [GUI] SOURCES ... LIBS ...)
# One GoogleTest executable registered with CTest. GUI tests need Qt and run on the
# offscreen platform; they are left out of the core-only (sanitizer) build.
function(tickora_test name)
    cmake_parse_arguments(T "GUI" "" "SOURCES;LIBS" ${ARGN})
    if(T_GUI AND NOT TICKORA_GUI)
        return()
    endif()
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;TICKORA_SOURCE_DIR=${PROJECT_SOURCE_DIR}"
        TIMEOUT 900)
endfunction()
