#include "ShadowTitle.h"

#include <QLabel>
#include <QStackedLayout>
#include <QVBoxLayout>

namespace tarvik::lookup {

namespace {
constexpr int kShadowOffset = 2;
} // namespace

ShadowTitle makeShadowTitle(const QString& text, QWidget* parent)
{
    ShadowTitle t;
    t.holder = new QWidget(parent);
    t.holder->setObjectName(QStringLiteral("picTitle"));
    auto* stack = new QStackedLayout(t.holder);
    stack->setStackingMode(QStackedLayout::StackAll);
    // Each label sits in a page of its own; the shadow's page is padded to offset it.
    auto page = [&](int left, int top, int right, int bottom, const char* name) {
        auto* w = new QWidget(t.holder);
        auto* l = new QVBoxLayout(w);
        l->setContentsMargins(left, top, right, bottom);
        auto* label = new QLabel(text, w);
        label->setObjectName(QLatin1String(name));
        label->setTextFormat(Qt::PlainText);
        label->setAlignment(Qt::AlignCenter);
        QFont font = label->font();
        font.setPointSizeF(font.pointSizeF() * 1.6);
        font.setBold(true);
        label->setFont(font);
        l->addWidget(label);
        stack->addWidget(w);
        return label;
    };
    t.shadow = page(kShadowOffset, kShadowOffset, 0, 0, "lblSTitle");
    t.title = page(0, 0, kShadowOffset, kShadowOffset, "lblTitle");
    t.shadow->setStyleSheet(QStringLiteral("color: #a0a0a0"));
    t.title->setStyleSheet(QStringLiteral("color: #1f3f7a; background: transparent"));
    t.title->parentWidget()->setAttribute(Qt::WA_TransparentForMouseEvents);
    stack->setCurrentIndex(1); // the current page of a StackAll layout is drawn on top
    return t;
}

void ShadowTitle::setText(const QString& text)
{
    title->setText(text);
    shadow->setText(text);
}

} // namespace tarvik::lookup
