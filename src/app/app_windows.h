#pragma once

#include "base/network_settings.h"

#include <functional>
#include <memory>

namespace Discovery {
class TForm1;
}
namespace Console {
class TForm2;
class TForm6;
class TForm7;
class TForm8;
class TForm9;
class TForm10;
class TForm11;
} // namespace Console
namespace Login {
class TForm3;
class TForm4;
} // namespace Login
namespace Mount {
class TForm5;
}

namespace App {

// The program's eleven windows, created once in a fixed order, and every move between them.
class WindowSet final {
public:
    // onQuit runs when the scan window is closed; the program ends there.
    WindowSet(const Base::NetworkSettings& settings, std::function<void()> onQuit);
    ~WindowSet();
    WindowSet(const WindowSet&) = delete;
    WindowSet& operator=(const WindowSet&) = delete;

    void showScanWindow();

    Discovery::TForm1& form1() const { return *m_form1; }
    Console::TForm2& form2() const { return *m_form2; }
    Login::TForm3& form3() const { return *m_form3; }
    Login::TForm4& form4() const { return *m_form4; }
    Mount::TForm5& form5() const { return *m_form5; }

private:
    void connectMoves();

    Base::NetworkSettings m_settings;
    std::function<void()> m_onQuit;
    std::unique_ptr<Discovery::TForm1> m_form1;
    std::unique_ptr<Console::TForm2> m_form2;
    std::unique_ptr<Login::TForm3> m_form3;
    std::unique_ptr<Login::TForm4> m_form4;
    std::unique_ptr<Mount::TForm5> m_form5;
    std::unique_ptr<Console::TForm6> m_form6;
    std::unique_ptr<Console::TForm7> m_form7;
    std::unique_ptr<Console::TForm8> m_form8;
    std::unique_ptr<Console::TForm9> m_form9;
    std::unique_ptr<Console::TForm10> m_form10;
    std::unique_ptr<Console::TForm11> m_form11;
};

} // namespace App
