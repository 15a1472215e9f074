#include "common/ui/hyperlink_label.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPalette>

namespace orvanta {

HyperlinkLabel::HyperlinkLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {
    setCursor(Qt::PointingHandCursor);
    // Plain text: a label that interprets rich text would turn a stray '<' into markup.
    setTextFormat(Qt::PlainText);
    // Reachable by Tab and Space/Enter, so the link is not mouse-only.
    setFocusPolicy(Qt::TabFocus);
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, LinkColour());
    pal.setColor(QPalette::Text, LinkColour());
    setPalette(pal);
}

HyperlinkLabel::HyperlinkLabel(QWidget* parent) : HyperlinkLabel(QString(), parent) {}

void HyperlinkLabel::SetUnderline(bool on) {
    QFont f = font();
    if (f.underline() == on) return;
    f.setUnderline(on);
    setFont(f);
}

void HyperlinkLabel::enterEvent(QEnterEvent* event) {
    SetUnderline(true);
    QLabel::enterEvent(event);
}

void HyperlinkLabel::leaveEvent(QEvent* event) {
    SetUnderline(false);
    pressed_ = false;
    QLabel::leaveEvent(event);
}

void HyperlinkLabel::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        pressed_ = true;
        event->accept();
        return;
    }
    QLabel::mousePressEvent(event);
}

void HyperlinkLabel::mouseReleaseEvent(QMouseEvent* event) {
    // A click is press and release over the label, like a button: dragging off cancels it.
    if (event->button() == Qt::LeftButton && pressed_) {
        pressed_ = false;
        if (rect().contains(event->position().toPoint())) emit clicked();
        event->accept();
        return;
    }
    QLabel::mouseReleaseEvent(event);
}

void HyperlinkLabel::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space || event->key() == Qt::Key_Return ||
        event->key() == Qt::Key_Enter) {
        emit clicked();
        event->accept();
        return;
    }
    QLabel::keyPressEvent(event);
}

}  // namespace orvanta
