#pragma once

// The message boxes of the scene, loader and media code. The application installs a handler
// that shows a real message box; tests install one that records the messages. Texts are
// code-page-932 bytes.

#include <functional>
#include <string>

enum MessageBoxType : unsigned int {
    MB_OK = 0x0,
    MB_OKCANCEL = 0x1,
    MB_YESNOCANCEL = 0x3,
    MB_ICONERROR = 0x10,
    MB_ICONQUESTION = 0x20,
    MB_ICONWARNING = 0x30,
    MB_ICONINFORMATION = 0x40,
};
// The buttons are the low four bits of the type, the icon the next four.
constexpr unsigned int MB_TYPEMASK = 0xF;
constexpr unsigned int MB_ICONMASK = 0xF0;
enum MessageBoxResult : int { IDOK = 1, IDCANCEL = 2, IDYES = 6, IDNO = 7 };

class MessageBoxService {
public:
    using Handler =
        std::function<int(const std::string& text, const std::string& caption, unsigned int type)>;

    // Installs the handler and returns the one it replaces. Without a handler, messages go
    // to standard error and the answer is IDOK.
    static Handler SetHandler(Handler handler);
    // An empty caption stands for the application's title.
    static int Show(const std::string& text, const std::string& caption = std::string(),
                    unsigned int type = MB_OK);
};
