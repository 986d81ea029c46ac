#ifndef WIDGETS_APPSTYLE_H
#define WIDGETS_APPSTYLE_H

#include <QString>

// Makes the resource bundle (:/resources/..., app/morlenta.qrc) available. The bundle is compiled
// into the static library, and a static library's resources reach a program only through code
// that refers to them: the constructors of Valve and windowframe and loadAppStyleSheet() call
// this, so every program that shows the window has its pictures and style sheet. Calls after the
// first do nothing.
void registerResourceBundle();

// Path of the application style sheet in the resource bundle.
extern const char *const kAppStyleSheetPath;

// Reads a style sheet file whole and returns its text, decoded from UTF-8 up to the first zero
// byte. A file that cannot be read gives an empty style sheet: the program then runs unstyled.
QString loadStyleSheet(const QString &path);

// The application style sheet that main() installs.
QString loadAppStyleSheet();

#endif // WIDGETS_APPSTYLE_H
