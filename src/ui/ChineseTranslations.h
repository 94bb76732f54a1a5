#pragma once

class QApplication;

// Installs Qt's own Simplified Chinese texts (standard buttons, file
// dialogs) whatever the system locale, so that they match the window's
// texts. False when the catalogue is not installed: Qt's texts then stay
// English.
bool installChineseTranslations(QApplication& app);
