# SPDX-License-Identifier: MIT
# Notes a library of src/ for the layer check: its folder, the libraries of
# ours it depends on and, for a view, the names of its files.
function(tarvolent_note_library name depends stems)
    file(RELATIVE_PATH folder ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
    list(FILTER depends INCLUDE REGEX "^tv_")
    set_property(GLOBAL APPEND PROPERTY TARVOLENT_LIBRARIES ${name})
    set_property(GLOBAL PROPERTY TARVOLENT_DIR_${name} ${folder})
    set_property(GLOBAL PROPERTY TARVOLENT_DEPENDS_${name} ${depends})
    set_property(GLOBAL PROPERTY TARVOLENT_STEMS_${name} ${stems})
endfunction()

# Writes what the layer check reads: one set() per library and property.
function(tarvolent_write_layers path)
    get_property(libraries GLOBAL PROPERTY TARVOLENT_LIBRARIES)
    set(text "set(LIBRARIES ${libraries})\n")
    foreach(library IN LISTS libraries)
        foreach(kind DIR DEPENDS STEMS)
            get_property(value GLOBAL PROPERTY TARVOLENT_${kind}_${library})
            string(APPEND text "set(${kind}_${library} ${value})\n")
        endforeach()
    endforeach()
    file(WRITE ${path} "${text}")
endfunction()

# One static library per folder: every .cpp beside the CMakeLists.txt except
# main.cpp and the files listed under EXCLUDE.
function(tarvolent_layer name)
    cmake_parse_arguments(L "" "" "DEPENDS;EXCLUDE" ${ARGN})
    tarvolent_note_library(${name} "${L_DEPENDS}" "")
    file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
    list(FILTER sources EXCLUDE REGEX "/main\\.cpp$")
    foreach(excluded IN LISTS L_EXCLUDE)
        list(REMOVE_ITEM sources ${CMAKE_CURRENT_SOURCE_DIR}/${excluded})
    endforeach()
    if(sources)
        add_library(${name} STATIC ${sources})
        target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
        target_link_libraries(${name} PUBLIC ${L_DEPENDS})
    else()
        add_library(${name} INTERFACE)
        target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR}/src)
        target_link_libraries(${name} INTERFACE ${L_DEPENDS})
    endif()
endfunction()

# The Qt view files of a folder, in a library of their own beside the folder's
# layer, so the layer (and the CLI on it) builds without Qt Widgets.
function(tarvolent_view name)
    cmake_parse_arguments(V "" "" "SOURCES;DEPENDS" ${ARGN})
    set(stems "")
    foreach(source IN LISTS V_SOURCES)
        get_filename_component(stem ${source} NAME_WE)
        list(APPEND stems ${stem})
    endforeach()
    tarvolent_note_library(${name} "${V_DEPENDS}" "${stems}")
    add_library(${name} STATIC ${V_SOURCES})
    set_target_properties(${name} PROPERTIES AUTOMOC ON)
    target_link_libraries(${name} PUBLIC ${V_DEPENDS} Qt6::Widgets)
endfunction()

# One GoogleTest program per test folder, from every .cpp in it.
function(tarvolent_test_folder name)
    cmake_parse_arguments(T "" "" "DEPENDS" ${ARGN})
    file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
    if(NOT sources)
        return()
    endif()
    add_executable(${name} ${sources})
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
    target_link_libraries(${name} PRIVATE tv_testsupport ${T_DEPENDS} GTest::gtest GTest::gmock)
    target_compile_definitions(${name} PRIVATE
        TARVOLENT_BIN_DIR="${TARVOLENT_BIN_DIR}"
        TARVOLENT_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
    gtest_discover_tests(${name}
        PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen"
        DISCOVERY_TIMEOUT 60
        DISCOVERY_MODE PRE_TEST)
endfunction()
