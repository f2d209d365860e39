#pragma once

#include <QDialog>
#include <string_view>

// An empty modal window that stands in for a command's window until that
// window exists: titled from the given dialog section of the language file,
// closed with its window button or Escape.
class CPlaceholderDialog : public QDialog {
    Q_OBJECT
public:
    CPlaceholderDialog(QWidget* parent, std::string_view section);
};
