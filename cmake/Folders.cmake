# One library per folder, the layering that their dependencies declare, and the rules the layering test checks.
#
# A folder's own dependencies (tapvox_* targets in DEPS) are the folders it is
# built on: it may include their headers and those of what they are built on,
# nothing else of ours. The layering test (tests/CMakeLists.txt) reads the rules
# written from these declarations and fails on any include that is not covered.

# The library header families ARCHITECTURE.md keeps inside a few folders; a
# folder names the families it may include with HEADERS.
set(TAPVOX_HEADER_FAMILY_codec ogg/ vorbis/ id3/ id3.h lame/ lame.h mpg123.h gsm.h gsm/ zlib.h sndfile.h FLAC/ opus/)
set(TAPVOX_HEADER_FAMILY_audio alsa/ pulse/ pipewire/ jack/ portaudio.h soundtouch/ SoundTouch.h)
set(TAPVOX_HEADER_FAMILY_toolkit wx/ gtk/ gdk/ gtk-3.0/ X11/)
set(TAPVOX_HEADER_FAMILY_drawing cairo.h cairo/ pango/ pangocairo.h)
set_property(GLOBAL PROPERTY TAPVOX_HEADER_FAMILIES codec audio toolkit drawing)

# "platform/user" -> tapvox_platform_user
function(tapvox_target_name folder out)
    string(REPLACE "/" "_" name "${folder}")
    set(${out} "tapvox_${name}" PARENT_SCOPE)
endfunction()

# Records a folder for the rules: the folders it is built on and the header families it may include.
function(tapvox_layer folder)
    cmake_parse_arguments(ARG "" "" "DEPS;HEADERS" ${ARGN})
    set(built_on "")
    foreach(dep IN LISTS ARG_DEPS)
        if(dep MATCHES "^tapvox_(.+)$")
            string(REPLACE "_" "/" dep_folder "${CMAKE_MATCH_1}")
            list(APPEND built_on "${dep_folder}")
        endif()
    endforeach()
    set_property(GLOBAL APPEND PROPERTY TAPVOX_LAYERS "${folder}")
    set_property(GLOBAL PROPERTY "TAPVOX_LAYER_DEPS_${folder}" "${built_on}")
    set_property(GLOBAL PROPERTY "TAPVOX_LAYER_HEADERS_${folder}" "${ARG_HEADERS}")
endfunction()

# tapvox_library(folder [EXCLUDE dir-or-file...] [DEPS lib...] [HEADERS family...]): a
# static library of every .cpp below the folder (an interface library when there is
# none), headers included from the repository root.
function(tapvox_library folder)
    cmake_parse_arguments(ARG "" "" "EXCLUDE;DEPS;HEADERS" ${ARGN})
    tapvox_target_name("${folder}" target)
    tapvox_layer("${folder}" DEPS ${ARG_DEPS} HEADERS ${ARG_HEADERS})
    file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
    foreach(dir IN LISTS ARG_EXCLUDE)
        list(FILTER sources EXCLUDE REGEX "${CMAKE_CURRENT_SOURCE_DIR}/${dir}(/|$)")
    endforeach()
    if(NOT sources)
        add_library(${target} INTERFACE)
        target_include_directories(${target} INTERFACE ${CMAKE_SOURCE_DIR})
        target_link_libraries(${target} INTERFACE ${ARG_DEPS})
        return()
    endif()
    add_library(${target} STATIC ${sources})
    target_include_directories(${target} PUBLIC ${CMAKE_SOURCE_DIR})
    target_link_libraries(${target} PUBLIC ${ARG_DEPS})
    tapvox_warnings(${target})
endfunction()

# tapvox_upward_include(file folder REASON text): the one kind of exception the design
# has: a single file that calls into a folder built on its own. It links that
# folder; the rest of the file's folder still may not include it.
function(tapvox_upward_include file folder)
    cmake_parse_arguments(ARG "" "REASON" "" ${ARGN})
    if(NOT ARG_REASON)
        message(FATAL_ERROR "tapvox_upward_include(${file} ${folder}) needs a REASON")
    endif()
    set_property(GLOBAL APPEND PROPERTY TAPVOX_UPWARD "${file}|${folder}")
    get_filename_component(dir "${file}" DIRECTORY)
    tapvox_target_name("${dir}" own)
    tapvox_target_name("${folder}" above)
    target_link_libraries(${own} PUBLIC ${above})
endfunction()

# Writes what the layering test checks: one line per folder, family and exception.
function(tapvox_write_layering_rules path)
    get_property(layers GLOBAL PROPERTY TAPVOX_LAYERS)
    get_property(families GLOBAL PROPERTY TAPVOX_HEADER_FAMILIES)
    get_property(upward GLOBAL PROPERTY TAPVOX_UPWARD)
    set(text "# Written by cmake/Folders.cmake from each folder's CMakeLists.txt; read by scripts/check-layering.\n")
    foreach(family IN LISTS families)
        list(JOIN TAPVOX_HEADER_FAMILY_${family} " " prefixes)
        string(APPEND text "family ${family} ${prefixes}\n")
    endforeach()
    foreach(folder IN LISTS layers)
        get_property(deps GLOBAL PROPERTY "TAPVOX_LAYER_DEPS_${folder}")
        get_property(headers GLOBAL PROPERTY "TAPVOX_LAYER_HEADERS_${folder}")
        list(JOIN deps " " deps_text)
        list(JOIN headers " " headers_text)
        string(APPEND text "folder ${folder} deps ${deps_text}\n")
        if(headers_text)
            string(APPEND text "headers ${folder} ${headers_text}\n")
        endif()
    endforeach()
    foreach(entry IN LISTS upward)
        string(REPLACE "|" " " entry_text "${entry}")
        string(APPEND text "upward ${entry_text}\n")
    endforeach()
    file(WRITE "${path}" "${text}")
endfunction()

# tapvox_test_program(folder [EXCLUDE dir...] [DEPS lib...] [SOURCES file...]): one
# GoogleTest program per folder (SOURCES: more files of its own from elsewhere).
function(tapvox_test_program folder)
    cmake_parse_arguments(ARG "" "" "EXCLUDE;DEPS;SOURCES" ${ARGN})
    file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
    foreach(dir IN LISTS ARG_EXCLUDE)
        list(FILTER sources EXCLUDE REGEX "${CMAKE_CURRENT_SOURCE_DIR}/${dir}/")
    endforeach()
    if(NOT sources)
        return()
    endif()
    # A test program may include what it links; it looks inside the folder it tests (internal headers too).
    get_property(headers GLOBAL PROPERTY "TAPVOX_LAYER_HEADERS_${folder}")
    tapvox_layer("tests/${folder}" DEPS ${ARG_DEPS} HEADERS ${headers})
    # Every test program may draw text through the gdi layer, so each passes over the font caches'
    # and toolkit's lifetime allocations.
    string(REPLACE "/" "_" name "${folder}")
    add_executable(tapvox_${name}_tests ${sources} ${ARG_SOURCES} ${CMAKE_SOURCE_DIR}/tests/support/ToolkitLeaks.cpp)
    target_link_libraries(tapvox_${name}_tests PRIVATE ${ARG_DEPS} tapvox_testsupport GTest::gtest_main GTest::gmock)
    tapvox_warnings(tapvox_${name}_tests)
    gtest_discover_tests(tapvox_${name}_tests
        WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
        PROPERTIES ENVIRONMENT "TAPVOX_SOURCE_DIR=${CMAKE_SOURCE_DIR}"
        DISCOVERY_TIMEOUT 60)
endfunction()
