#pragma once
// CTimeDialog: asks for a time in the file, typed as "h:mm:ss.mmm", "m:ss" or
// seconds ("1:02:03.5", "19:03", "4.25"). OK stays disabled while the text is
// no such time or lies past the end of the file, and the line under the box
// says why; the box starts with a time of the caller's choosing, selected.

#include <QDialog>

#include <cstdint>
#include <optional>

class QDialogButtonBox;
class QLabel;
class QLineEdit;

class CTimeDialog : public QDialog {
    Q_OBJECT
public:
    // title and prompt name what the time is for; the box starts at initial,
    // and end is the file's length (all in microseconds).
    CTimeDialog(const QString& title, const QString& prompt, std::int64_t initial, std::int64_t end,
                QWidget* parent = nullptr);

    // The time typed (microseconds), while it is one.
    std::optional<std::int64_t> time() const;

    // Shows the dialog; the time when the user chose OK, else nothing.
    static std::optional<std::int64_t> ask(QWidget* parent, const QString& title,
                                           const QString& prompt, std::int64_t initial,
                                           std::int64_t end);

private:
    void check();

    std::int64_t end_;
    QLineEdit* edit_;
    QLabel* hint_;
    QDialogButtonBox* buttons_;
};
