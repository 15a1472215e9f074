#include "common/ui/colour_chooser_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace orvanta {
namespace {

QSpinBox* Field(int max, const QString& name) {
    auto* s = new QSpinBox;
    s->setRange(0, max);
    s->setObjectName(name);
    return s;
}

QFrame* Swatch(const QString& name) {
    auto* f = new QFrame;
    f->setObjectName(name);
    f->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    f->setMinimumSize(60, 40);
    f->setAutoFillBackground(true);
    return f;
}

void Paint(QFrame* swatch, const QColor& c) {
    QPalette p = swatch->palette();
    p.setColor(QPalette::Window, c);
    swatch->setPalette(p);
}

struct Preset {
    const char* name;
    QRgb rgb;
};
const Preset kPresets[] = {
    {"Green", qRgb(0, 255, 0)},
    {"Yellow", qRgb(255, 255, 0)},
    {"Red", qRgb(255, 0, 0)},
    {"Orange", qRgb(255, 170, 0)},
    {"Blue", qRgb(0, 0, 255)},
    {"Cyan", qRgb(0, 255, 255)},
    {"Magenta", qRgb(255, 0, 255)},
    {"White", qRgb(255, 255, 255)},
    {"Light grey", qRgb(192, 192, 192)},
    {"Grey", qRgb(128, 128, 128)},
    {"Black", qRgb(0, 0, 0)},
    {"Dark green", qRgb(0, 128, 0)},
};

}  // namespace

ColourChooserDialog::ColourChooserDialog(QWidget* owner, const QColor& initial)
    : QDialog(owner), chosen_(initial) {
    setWindowTitle(QStringLiteral("Color chooser..."));
    setObjectName(QStringLiteral("colourChooser"));
    hue = Field(359, QStringLiteral("hue"));
    saturation = Field(100, QStringLiteral("saturation"));
    brightness = Field(100, QStringLiteral("brightness"));
    red = Field(255, QStringLiteral("red"));
    green = Field(255, QStringLiteral("green"));
    blue = Field(255, QStringLiteral("blue"));

    auto* fields = new QGridLayout;
    fields->addWidget(new QLabel(QStringLiteral("&Hue:")), 0, 0);
    fields->addWidget(hue, 0, 1);
    fields->addWidget(new QLabel(QStringLiteral("&Sat:")), 1, 0);
    fields->addWidget(saturation, 1, 1);
    fields->addWidget(new QLabel(QStringLiteral("&Bri:")), 2, 0);
    fields->addWidget(brightness, 2, 1);
    fields->addWidget(new QLabel(QStringLiteral("&Red:")), 0, 2);
    fields->addWidget(red, 0, 3);
    fields->addWidget(new QLabel(QStringLiteral("&Green:")), 1, 2);
    fields->addWidget(green, 1, 3);
    fields->addWidget(new QLabel(QStringLiteral("Bl&ue:")), 2, 2);
    fields->addWidget(blue, 2, 3);
    for (int row = 0; row < 3; ++row)
        for (int col : {0, 2}) {
            auto* label = static_cast<QLabel*>(fields->itemAtPosition(row, col)->widget());
            label->setBuddy(fields->itemAtPosition(row, col + 1)->widget());
        }

    oldSwatch = Swatch(QStringLiteral("oldSwatch"));
    newSwatch = Swatch(QStringLiteral("newSwatch"));
    Paint(oldSwatch, initial);
    auto* swatches = new QHBoxLayout;
    auto* oldBox = new QVBoxLayout;
    oldBox->addWidget(new QLabel(QStringLiteral("Old")));
    oldBox->addWidget(oldSwatch);
    auto* newBox = new QVBoxLayout;
    newBox->addWidget(new QLabel(QStringLiteral("New")));
    newBox->addWidget(newSwatch);
    swatches->addLayout(oldBox);
    swatches->addLayout(newBox);

    presetButton = new QPushButton(QStringLiteral("&Presets..."));
    presetButton->setObjectName(QStringLiteral("presets"));
    presets_ = new QMenu(this);
    for (const Preset& p : kPresets) {
        const QColor c = QColor::fromRgb(p.rgb);
        QPixmap icon(12, 12);
        icon.fill(c);
        presets_->addAction(QIcon(icon), QString::fromLatin1(p.name), this,
                            [this, c] { SetChosen(c); });
    }
    presetButton->setMenu(presets_);
    swatches->addWidget(presetButton, 0, Qt::AlignBottom);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addLayout(swatches);
    layout->addWidget(buttons);

    for (QSpinBox* s : {red, green, blue})
        connect(s, &QSpinBox::valueChanged, this, [this] { FromRgbFields(); });
    for (QSpinBox* s : {hue, saturation, brightness})
        connect(s, &QSpinBox::valueChanged, this, [this] { FromHsbFields(); });
    SetChosen(initial);
}

void ColourChooserDialog::SetChosen(const QColor& colour) {
    chosen_ = colour.toRgb();
    Show();
}

void ColourChooserDialog::FromRgbFields() {
    if (updating_) return;
    chosen_ = QColor(red->value(), green->value(), blue->value());
    Show();
}

void ColourChooserDialog::FromHsbFields() {
    if (updating_) return;
    chosen_ = QColor::fromHsv(hue->value(), saturation->value() * 255 / 100,
                              brightness->value() * 255 / 100)
                  .toRgb();
    // Keep the hue the user typed even where the colour has none (grey).
    Show();
}

void ColourChooserDialog::Show() {
    updating_ = true;
    red->setValue(chosen_.red());
    green->setValue(chosen_.green());
    blue->setValue(chosen_.blue());
    if (!hue->hasFocus() && !saturation->hasFocus() && !brightness->hasFocus()) {
        const int h = chosen_.hsvHue();
        if (h >= 0) hue->setValue(h);
        saturation->setValue((chosen_.hsvSaturation() * 100 + 127) / 255);
        brightness->setValue((chosen_.value() * 100 + 127) / 255);
    }
    updating_ = false;
    Paint(newSwatch, chosen_);
}

QColor ChooseColour(QWidget* owner, const QColor& initial) {
    ColourChooserDialog dialog(owner, initial);
    return dialog.exec() == QDialog::Accepted ? dialog.Chosen() : initial;
}

}  // namespace orvanta
