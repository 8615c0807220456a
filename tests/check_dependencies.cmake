# The logic's folders keep to their layers: a logic folder includes only itself and the folders
# the logic stands on, and those never reach up into it. That the logic needs no widget at all is
# a fact of the build: the logic links alone, on Qt Core, Network and SQL.
# Run as: cmake -DSOURCE_DIR=<src> -P check_dependencies.cmake
cmake_minimum_required(VERSION 3.25)

set(allowed_folders controls net common pinyin links)
set(logic_folders songlist links net downloads playback settings library controls common pinyin)

set(violations "")
foreach(folder IN LISTS logic_folders)
    # controls/, common/ and pinyin/ lie beneath the logic: they may not reach up into it either
    if(folder STREQUAL "controls" OR folder STREQUAL "common")
        set(may_include controls common)
    elseif(folder STREQUAL "pinyin")
        set(may_include pinyin common)
    elseif(folder STREQUAL "playback")
        # Playback goes through the song list, which knows nothing of playback
        set(may_include ${allowed_folders} songlist playback)
    elseif(folder STREQUAL "settings")
        # What is remembered includes the downloads' own folder and the song that played
        set(may_include ${allowed_folders} songlist downloads settings)
    elseif(folder STREQUAL "library")
        # The kept lists are song lists, which know nothing of them
        set(may_include ${allowed_folders} songlist library)
    else()
        set(may_include ${allowed_folders} ${folder})
    endif()
    file(GLOB sources ${SOURCE_DIR}/${folder}/*.h ${SOURCE_DIR}/${folder}/*.cpp)
    foreach(source IN LISTS sources)
        file(STRINGS ${source} includes REGEX "^[ \t]*#[ \t]*include")
        foreach(line IN LISTS includes)
            if(line MATCHES "#[ \t]*include[ \t]*\"([^\"/]+)/[^\"]*\"")
                if(NOT CMAKE_MATCH_1 IN_LIST may_include)
                    list(APPEND violations "${source}: ${line}")
                endif()
            endif()
        endforeach()
    endforeach()
endforeach()

if(violations)
    list(JOIN violations "\n  " text)
    message(FATAL_ERROR "Logic code reaches out of its layer:\n  ${text}")
endif()
message(STATUS "Logic folders keep to their layers")
