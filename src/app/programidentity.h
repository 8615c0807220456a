#pragma once

#include <QIcon>
#include <QString>

// Names the program to Qt and the desktop: organisation and application names (which also
// place its settings), version, display name, and the desktop entry that the window belongs to.
// Called once, right after the application object is made: a QApplication, or a
// QCoreApplication for a start that makes no window.
void setProgramIdentity();

// The program's icon in every size it comes in, for its windows
QIcon programIcon();

// Qt's own texts (the file dialog, message box buttons, the text boxes' context menus) in the
// program's language, Simplified Chinese, whatever the system's locale; QUILLPOD_QT_LOCALE may
// name another locale, for example "en_US" (a name Qt does not know counts as none). Without
// the translation files the texts stay in English.
void installQtTranslations();

// Scheme and host of the catalogue service: QUILLPOD_SERVICE_BASE when it is set to an http or
// https address (for tests and development), else the address fixed when the program was built.
QString catalogueServiceBase();

// Every request (list pages, links, playback, downloads) goes through the proxy that the user
// set for the desktop or in http_proxy and its kin.
void followSystemProxy();
