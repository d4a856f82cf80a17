#pragma once

// What the program sets up once before its first window: the Japanese face
// the windows ask for, the application font, Qt's own Japanese texts for the
// standard buttons and dialogs, the window icon and the file dialog's preview
// of character files. The program, the tests and the screenshot tool all
// start through it so they look alike.

class QApplication;

namespace app {

void setUpApplication(QApplication& app);

// The same in two steps, for a start that reads the font configuration
// meanwhile: first what needs no font (the language, the icon, the preview,
// the store's waiting), then the faces and the application font.
void setUpApplicationExceptFonts(QApplication& app);
void setUpFonts();

} // namespace app
