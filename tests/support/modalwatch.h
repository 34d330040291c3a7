#pragma once

#include <QString>

#include <memory>

// Answers the next modal dialog or message box with the given button (or
// closes it); returns a flag that is set once a dialog was seen, and the
// text it showed.
struct ModalWatch {
    bool seen = false;
    QString text;
    QString title;
};
std::shared_ptr<ModalWatch> AnswerNextModal(int button = -1);
