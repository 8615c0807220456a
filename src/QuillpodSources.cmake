# Where the program's sources are, for the program's own build and for the fuzz build (fuzz/),
# so that a file added to a folder reaches both without a second list to keep.
set(QUILLPOD_SOURCE_DIR ${CMAKE_CURRENT_LIST_DIR})

# Two libraries: the logic, which needs Qt Core and Network only, and the user interface on top
set(QUILLPOD_LOGIC_FOLDERS common controls net songlist links pinyin downloads playback settings
                           library)
set(QUILLPOD_UI_FOLDERS app widgets player mpris skin)

# Every .cpp and .h of the given folders
function(quillpod_sources variable)
    set(sources)
    foreach(folder ${ARGN})
        file(GLOB found CONFIGURE_DEPENDS ${QUILLPOD_SOURCE_DIR}/${folder}/*.cpp
                                          ${QUILLPOD_SOURCE_DIR}/${folder}/*.h)
        list(APPEND sources ${found})
    endforeach()
    set(${variable} ${sources} PARENT_SCOPE)
endfunction()

# The logic's sources, the pinyin table generated into `generated_dir` among them. The pinyin
# readings come from ICU, read once at build time into a table that the program carries, so
# that the program itself needs no ICU.
function(quillpod_logic_sources variable generated_dir)
    quillpod_sources(sources ${QUILLPOD_LOGIC_FOLDERS})
    list(FILTER sources EXCLUDE REGEX "/pinyin/pinyintablegen\\.cpp$")

    find_package(PkgConfig REQUIRED)
    pkg_check_modules(ICU REQUIRED IMPORTED_TARGET icu-i18n icu-uc)
    add_executable(pinyintablegen ${QUILLPOD_SOURCE_DIR}/pinyin/pinyintablegen.cpp)
    target_link_libraries(pinyintablegen PRIVATE PkgConfig::ICU)
    set(table ${generated_dir}/pinyintable.cpp)
    add_custom_command(OUTPUT ${table}
        COMMAND pinyintablegen ${table}
        DEPENDS pinyintablegen
        COMMENT "Generating the pinyin table from ICU"
        VERBATIM)
    list(APPEND sources ${table})
    set(${variable} ${sources} PARENT_SCOPE)
endfunction()
