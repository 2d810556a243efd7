#include "wnd/modal_responder.h"

#include "wnd/dialog.h"

namespace {

ModalResponder& Responder() {
    static ModalResponder responder;
    return responder;
}

std::vector<ModalRequest>& Log() {
    static std::vector<ModalRequest> log;
    return log;
}

}  // namespace

void SetModalResponder(ModalResponder responder) { Responder() = std::move(responder); }
const std::vector<ModalRequest>& ModalLog() { return Log(); }
void ClearModalLog() { Log().clear(); }

ModalAnswer AnswerHeadless(const ModalRequest& request) {
    Log().push_back(request);
    if (Responder()) return Responder()(request);
    ModalAnswer answer;
    answer.result = request.kind == ModalKind::PopupMenu ? 0 : IDCANCEL;
    if (request.kind == ModalKind::MessageBox) answer.result = IDOK;
    return answer;
}

ScriptedResponder& ScriptedResponder::Dialog(std::function<void(CDialog&)> action) {
    steps_->push_back(Step{std::move(action), ModalAnswer{}});
    return *this;
}

ScriptedResponder& ScriptedResponder::Answer(int result, std::string path) {
    steps_->push_back(Step{nullptr, ModalAnswer{result, std::move(path)}});
    return *this;
}

void ScriptedResponder::Install() {
    auto steps = steps_;
    SetModalResponder([steps](const ModalRequest& request) {
        ModalAnswer fallback;
        fallback.result = request.kind == ModalKind::PopupMenu ? 0 : IDCANCEL;
        if (steps->empty()) return fallback;
        Step step = steps->front();
        steps->pop_front();
        if (step.action) {
            if (request.dialog) step.action(*request.dialog);
            return fallback;
        }
        return step.answer;
    });
}
