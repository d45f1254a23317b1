# tapvox_library(NAME folder [EXCLUDE dir...] [DEPS lib...]): one static library per
# folder from every .cpp below it, headers included from the repository root.
function(tapvox_library folder)
    cmake_parse_arguments(ARG "" "" "EXCLUDE;DEPS" ${ARGN})
    # Our own libraries may be named before (or without) being defined: the
    # program's folders use each other as the design has it.
    set(deps "")
    foreach(dep IN LISTS ARG_DEPS)
        if(dep STREQUAL "tapvox_${folder}")
            continue()  # the folders' shared dependency lists name the folder itself
        elseif(dep MATCHES "^tapvox_")
            list(APPEND deps "$<TARGET_NAME_IF_EXISTS:${dep}>")
        else()
            list(APPEND deps ${dep})
        endif()
    endforeach()
    set(ARG_DEPS ${deps})
    file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
    foreach(dir IN LISTS ARG_EXCLUDE)
        list(FILTER sources EXCLUDE REGEX "${CMAKE_CURRENT_SOURCE_DIR}/${dir}/")
    endforeach()
    if(NOT sources)
        add_library(tapvox_${folder} INTERFACE)
        target_include_directories(tapvox_${folder} INTERFACE ${CMAKE_SOURCE_DIR})
        target_link_libraries(tapvox_${folder} INTERFACE ${ARG_DEPS})
        return()
    endif()
    add_library(tapvox_${folder} STATIC ${sources})
    target_include_directories(tapvox_${folder} PUBLIC ${CMAKE_SOURCE_DIR})
    target_link_libraries(tapvox_${folder} PUBLIC ${ARG_DEPS})
    tapvox_warnings(tapvox_${folder})
endfunction()

# tapvox_test_program(folder [EXCLUDE dir...] [DEPS lib...] [ENVIRONMENT var=value...]):
# one GoogleTest program per folder.
function(tapvox_test_program folder)
    cmake_parse_arguments(ARG "" "" "EXCLUDE;DEPS;ENVIRONMENT" ${ARGN})
    file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
    foreach(dir IN LISTS ARG_EXCLUDE)
        list(FILTER sources EXCLUDE REGEX "${CMAKE_CURRENT_SOURCE_DIR}/${dir}/")
    endforeach()
    if(NOT sources)
        return()
    endif()
    add_executable(tapvox_${folder}_tests ${sources})
    target_link_libraries(tapvox_${folder}_tests PRIVATE ${ARG_DEPS} tapvox_testsupport GTest::gtest_main GTest::gmock)
    tapvox_warnings(tapvox_${folder}_tests)
    gtest_discover_tests(tapvox_${folder}_tests
        WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
        PROPERTIES ENVIRONMENT "TAPVOX_SOURCE_DIR=${CMAKE_SOURCE_DIR};${ARG_ENVIRONMENT}"
        DISCOVERY_TIMEOUT 60)
endfunction()
