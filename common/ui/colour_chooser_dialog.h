#pragma once
// The colour chooser: hue/saturation/brightness and red/green/blue fields kept in step, a
// preset button, and the old and new colours side by side.
#include <QColor>
#include <QDialog>

class QSpinBox;
class QFrame;
class QPushButton;
class QMenu;

namespace orvanta {

class ColourChooserDialog : public QDialog {
    Q_OBJECT
public:
    ColourChooserDialog(QWidget* owner, const QColor& initial);
    QColor Chosen() const { return chosen_; }
    void SetChosen(const QColor& colour);  // as if typed; updates every field
    QMenu* PresetMenu() const { return presets_; }

    QSpinBox *hue = nullptr, *saturation = nullptr, *brightness = nullptr;
    QSpinBox *red = nullptr, *green = nullptr, *blue = nullptr;
    QFrame *oldSwatch = nullptr, *newSwatch = nullptr;
    QPushButton* presetButton = nullptr;

private:
    void FromRgbFields();
    void FromHsbFields();
    void Show();

    QColor chosen_;
    QMenu* presets_ = nullptr;
    bool updating_ = false;
};

// Modal: the chosen colour on OK, the initial one on Cancel.
QColor ChooseColour(QWidget* owner, const QColor& initial);

}  // namespace orvanta
