# The Debian package: `cpack -G DEB` in the build folder (or scripts/package.sh) makes
# quillpod_<version>_<arch>.deb from what `cmake --install` installs, plus the documents Debian
# asks of every package. The stand-in catalogue service installs nothing and is not in it.

set(QUILLPOD_PACKAGING ${CMAKE_CURRENT_LIST_DIR})
set(QUILLPOD_DOCS_BUILD ${PROJECT_BINARY_DIR}/packaging)

# Debian wants its documents compressed at the highest level and without a time stamp, so that
# the same sources give the same package. They are made when the build folder is configured (and
# again when a source changes), so that installing and packaging work from a build of the program
# alone, whichever targets were built.
find_program(GZIP gzip REQUIRED)
file(MAKE_DIRECTORY ${QUILLPOD_DOCS_BUILD})
foreach(document changelog quillpod.1 quillpod.zh_CN.1)
    execute_process(COMMAND ${GZIP} -9nc ${QUILLPOD_PACKAGING}/${document}
                    OUTPUT_FILE ${QUILLPOD_DOCS_BUILD}/${document}.gz
                    COMMAND_ERROR_IS_FATAL ANY)
    set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND
                 PROPERTY CMAKE_CONFIGURE_DEPENDS ${QUILLPOD_PACKAGING}/${document})
endforeach()

install(FILES ${QUILLPOD_PACKAGING}/copyright ${QUILLPOD_DOCS_BUILD}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/quillpod)
install(FILES ${QUILLPOD_DOCS_BUILD}/quillpod.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
# The translated page where man finds it for a Chinese locale, as Debian keeps translated pages
install(FILES ${QUILLPOD_DOCS_BUILD}/quillpod.zh_CN.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/zh_CN/man1 RENAME quillpod.1.gz)
# The skin beside the program draws one remark, explained in the file
install(FILES ${QUILLPOD_PACKAGING}/lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/lintian/overrides RENAME quillpod)

# Packaging builds what it installs, not the tests and benchmarks
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
# Relocations resolved at start and then read-only, as Debian's hardened builds have them
target_link_options(quillpod PRIVATE "LINKER:-z,relro,-z,now")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quillpod)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Quillpod developers")
set(CPACK_PACKAGE_CONTACT "Quillpod developers <quillpod@example.org>")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop client for a music catalogue service")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# Debuggers find the symbols in the build; the package carries none
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://quillpod.example.org/")
string(CONCAT CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Quillpod lists the songs of a music catalogue service page by page, searches\n"
    "them by keyword and shows each song's links. It plays a song in its player\n"
    "strip and goes on playing from the list, and downloads songs; a download that\n"
    "breaks off goes on later where it stopped. The window speaks Simplified\n"
    "Chinese and comes with its own skin and a frosted-glass look.")
# The libraries come from dpkg-shlibdeps. Where Qt plays through GStreamer (Debian 12), its
# plugins are loaded at run time, so no tool sees them: base and good play WAV and Ogg, libav MP3
# and AAC. Debian 13's Qt has only its FFmpeg backend, whose libraries libqt6multimedia6 brings.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(QUILLPOD_MEDIA_DEPENDS "")
if(TARGET Qt6::QGstreamerMediaPlugin)
    set(QUILLPOD_MEDIA_DEPENDS
        "gstreamer1.0-plugins-base, gstreamer1.0-plugins-good, gstreamer1.0-libav, ")
endif()
# Every text of the window is Chinese: without a font that has its glyphs, each is a row of
# empty boxes. WenQuanYi Micro Hei first, the font the program is built and tested with and a
# fifteenth of the size of Noto CJK.
set(QUILLPOD_CHINESE_FONT "fonts-wqy-microhei | fonts-noto-cjk | fonts-wqy-zenhei")
# The favourites and the history go through Qt SQL's SQLite driver, a plugin no tool sees either
set(QUILLPOD_SQL_DRIVER "libqt6sql6-sqlite, ")
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "${QUILLPOD_MEDIA_DEPENDS}${QUILLPOD_SQL_DRIVER}${QUILLPOD_CHINESE_FONT}")
# Qt's own texts in Chinese, and typing Chinese through fcitx5 (IBus's Qt module comes with
# libqt6gui6, which the program needs anyway)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n, fcitx5-frontend-qt6")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "fcitx5-chinese-addons | ibus-libpinyin")

include(CPack)
