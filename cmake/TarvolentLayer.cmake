# One static library per folder: every .cpp beside the CMakeLists.txt except
# main.cpp and the files listed under EXCLUDE.
function(tarvolent_layer name)
    cmake_parse_arguments(L "" "" "DEPENDS;EXCLUDE" ${ARGN})
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
