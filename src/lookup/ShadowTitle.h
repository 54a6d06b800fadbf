#pragma once

// A window's title drawn twice: the label itself over a grey copy offset down and to the right,
// as the hospital system's windows show their titles.

#include <QString>

class QLabel;
class QWidget;

namespace tarvik::lookup {

struct ShadowTitle
{
    QWidget* holder = nullptr; // put this in the layout
    QLabel* title = nullptr;   // lblTitle
    QLabel* shadow = nullptr;  // lblSTitle
    void setText(const QString& text);
};

ShadowTitle makeShadowTitle(const QString& text, QWidget* parent);

} // namespace tarvik::lookup
