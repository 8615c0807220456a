# Precompiled Qt headers. A build from nothing (CI, a first build) otherwise parses the same Qt
# headers again for every file, which is most of its time. ccache cannot reuse objects built with
# a precompiled header unless it is set up for them, so a build through a compiler launcher goes
# without by default.
if(CMAKE_CXX_COMPILER_LAUNCHER)
    set(quillpod_precompile_default OFF)
else()
    set(quillpod_precompile_default ON)
endif()
option(QUILLPOD_PRECOMPILE_HEADERS "Precompile the Qt headers most files include"
       ${quillpod_precompile_default})

# The headers that most files of each layer include; a header few files use costs the others
# more to load than it saves
set(QUILLPOD_PCH_LOGIC <QObject> <QString> <QStringList> <QList> <QHash> <QByteArray> <QUrl>
    <QTimer> <QFile> <QDir> <QNetworkAccessManager> <QNetworkReply>)
set(QUILLPOD_PCH_UI ${QUILLPOD_PCH_LOGIC} <QWidget> <QApplication> <QLabel> <QPushButton>
    <QLineEdit> <QStyle> <QPainter> <QIcon>)
set(QUILLPOD_PCH_TEST <QTest> <QSignalSpy> <QTemporaryDir> <QElapsedTimer> <QProcess>)

# Gives `target` the headers of `list` (a variable's name), precompiled once
function(quillpod_precompile target list)
    if(QUILLPOD_PRECOMPILE_HEADERS)
        target_precompile_headers(${target} PRIVATE ${${list}} ${ARGN})
    endif()
endfunction()

# Has `target` use the headers precompiled for `from`, whose compile flags it shares
function(quillpod_precompile_like target from)
    if(QUILLPOD_PRECOMPILE_HEADERS)
        target_precompile_headers(${target} REUSE_FROM ${from})
    endif()
endfunction()
