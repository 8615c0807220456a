# The logic of the program (songlist/, links/, net/, downloads/) and what it stands on
# (controls/, common/, pinyin/) must build without a window: it includes only those folders and
# never a header of Qt Widgets.
# Run as: cmake -DSOURCE_DIR=<src> "-DWIDGET_HEADER_DIRS=<dir>;..." -P check_dependencies.cmake
cmake_minimum_required(VERSION 3.25)

set(allowed_folders controls net common pinyin links)
set(logic_folders songlist links net downloads playback controls common pinyin)

# Every public header name of the widget modules, as an #include <...> would name it
set(widget_headers QtWidgets QtMultimediaWidgets)
foreach(dir IN LISTS WIDGET_HEADER_DIRS)
    file(GLOB names RELATIVE ${dir} ${dir}/Q*)
    list(APPEND widget_headers ${names})
endforeach()
list(REMOVE_DUPLICATES widget_headers)
list(LENGTH widget_headers header_count)
if(header_count LESS 100)
    message(FATAL_ERROR "Qt Widgets headers not found in '${WIDGET_HEADER_DIRS}'")
endif()

set(violations "")
foreach(folder IN LISTS logic_folders)
    # controls/, common/ and pinyin/ lie beneath the logic: they may not reach up into it either
    if(folder STREQUAL "controls" OR folder STREQUAL "common")
        set(may_include controls common)
    elseif(folder STREQUAL "pinyin")
        set(may_include pinyin common)
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
            elseif(line MATCHES "#[ \t]*include[ \t]*<([^>]+)>")
                string(REGEX REPLACE "^(QtWidgets|QtMultimediaWidgets)/.*" "\\1" header
                                     "${CMAKE_MATCH_1}")
                if(header IN_LIST widget_headers)
                    list(APPEND violations "${source}: ${line}")
                endif()
            endif()
        endforeach()
    endforeach()
endforeach()

if(violations)
    list(JOIN violations "\n  " text)
    message(FATAL_ERROR "Logic code includes widget code:\n  ${text}")
endif()
message(STATUS "Logic folders include no widget code")
