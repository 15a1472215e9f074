#pragma once
// A text that behaves like a link: hand cursor, underlined while the mouse is over it,
// drawn in dark blue. The dialog that owns it decides what a click does.
#include <QLabel>

namespace orvanta {

class HyperlinkLabel : public QLabel {
    Q_OBJECT
public:
    explicit HyperlinkLabel(const QString& text, QWidget* parent = nullptr);
    explicit HyperlinkLabel(QWidget* parent = nullptr);

    static QColor LinkColour() { return QColor(0, 0, 192); }
    bool IsUnderlined() const { return font().underline(); }

signals:
    void clicked();

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void SetUnderline(bool on);
    bool pressed_ = false;
};

}  // namespace orvanta
