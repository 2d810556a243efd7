// Answers for everything that would wait for the user. Without a display
// the installed responder decides; with one, the real dialogs do.
#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "wnd/winuser.h"

class CDialog;
class CMenu;

enum class ModalKind { Dialog, MessageBox, OpenFile, SaveFile, Folder, PopupMenu };

struct ModalRequest {
    ModalKind kind = ModalKind::MessageBox;
    CDialog* dialog = nullptr;   // Dialog: created and initialised
    std::string text;            // message text, folder title
    std::string caption;         // message caption
    UINT type = 0;               // message box type
    std::string filter;          // file dialogs: "desc|*.ext|..."
    std::string defaultExt;
    std::string fileName;        // initial file name
    DWORD flags = 0;
    CMenu* menu = nullptr;       // popup menu
};

struct ModalAnswer {
    int result = IDCANCEL;       // button, or chosen menu command (0: none)
    std::string path;            // file or folder chosen
};

using ModalResponder = std::function<ModalAnswer(const ModalRequest&)>;

// Installs the responder used without a display; an empty one restores the
// default, which cancels dialogs, file and folder choosers and menus and
// answers message boxes with IDOK. Every request is logged.
void SetModalResponder(ModalResponder responder);
const std::vector<ModalRequest>& ModalLog();
void ClearModalLog();
ModalAnswer AnswerHeadless(const ModalRequest& request);

// A convenience responder that plays back a queue of answers in order; a
// dialog step runs an action on the live dialog (which may end it).
class ScriptedResponder {
public:
    ScriptedResponder& Dialog(std::function<void(CDialog&)> action);
    ScriptedResponder& Answer(int result, std::string path = std::string());
    void Install();
    size_t Remaining() const { return steps_->size(); }

private:
    struct Step {
        std::function<void(CDialog&)> action;
        ModalAnswer answer;
    };
    std::shared_ptr<std::deque<Step>> steps_ = std::make_shared<std::deque<Step>>();
};
