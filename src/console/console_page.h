#pragma once

#include <QWidget>

namespace Console {

class ConsoleContext;

// One page of the console. The frame knows a page only through this: its tab
// caption, what to do when it comes into view, when the console is shown and
// when it closes, and its captions in the language of the language file.
class ConsolePage : public QWidget {
    Q_OBJECT
public:
    ConsolePage(ConsoleContext& console, const char* objectName, const char* captionKey);

    // The English caption of the page's tab.
    const char* captionKey() const { return m_captionKey; }

    // The show handler (TabSheetNShow): the unit's page read and the controls filled.
    virtual void showPage() {}
    // The console was shown, or closed: the page stops what must not outlive that.
    virtual void consoleShown() {}
    virtual void consoleClosed() {}
    // The dialogs are made after the console: a page that opens one connects to it here.
    virtual void dialogsReady() {}

    // Every caption translated: one walk over the controls placed with a caption.
    void translateCaptions();

protected:
    ConsoleContext& console() const { return m_console; }

    // Call once the controls are placed: the text each label, button and group
    // box was placed with is its caption key, trailing blanks and all, as
    // language files write it; so are the items a combo box was placed with.
    void keepCaptionKeys();
    // Captions that are no control's text, such as a list's column titles.
    virtual void translateOtherCaptions() {}

private:
    ConsoleContext& m_console;
    const char* m_captionKey;
};

namespace TabWidgets {
// A text placed on a page that is no caption: kept as it is by the walk.
void keepUntranslated(QWidget* widget);
} // namespace TabWidgets

} // namespace Console
