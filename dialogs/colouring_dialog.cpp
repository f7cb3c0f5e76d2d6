#include "dialogs/colouring_dialog.h"

#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QVBoxLayout>
#include <cmath>
#include <filesystem>

#include "colour/colour_space.h"
#include "colour/gradient.h"
#include "colour/gradient_files.h"
#include "commands/colouring_preview.h"
#include "commands/file_dialogs.h"
#include "commands/workspace.h"
#include "dialogs/gradient_strip.h"
#include "document/fractal_file.h"
#include "surface/ui_surface.h"
#include "surface/window_placement.h"

namespace zolt {

namespace {

struct MethodChoice {
    ColourMethod method;
    const char* label;
    const char* tip;
};

constexpr MethodChoice kMethods[] = {
    {ColourMethod::Bands, "Bands", "A colour for each count, as Zolt has always coloured."},
    {ColourMethod::Smooth, "Smooth", "The count blended continuously, without band edges."},
    {ColourMethod::Distance, "Distance",
     "Smooth colours, inked along the boundary's fine filaments."},
    {ColourMethod::Relief, "Relief", "Smooth colours, lit from one side as a surface."},
};

QColor ColourOf(Rgb rgb) {
    return {rgb.red, rgb.green, rgb.blue};
}

Rgb RgbOfColour(const QColor& colour) {
    return {static_cast<std::uint8_t>(colour.red()), static_cast<std::uint8_t>(colour.green()),
            static_cast<std::uint8_t>(colour.blue())};
}

// A colour button's face: a swatch of the colour and its hexadecimal code.
void ShowColour(QPushButton& button, Rgb rgb) {
    QPixmap swatch(24, 14);
    swatch.fill(ColourOf(rgb));
    QPainter(&swatch).drawRect(swatch.rect().adjusted(0, 0, -1, -1));
    button.setIcon(QIcon(swatch));
    button.setIconSize(swatch.size());
    button.setText(QStringLiteral("#") + QString::fromStdString(RgbHexText(rgb)));
}

QString PresetLabel(const Gradient& gradient) {
    return gradient.kind == GradientKind::Palette ? QStringLiteral("Classic")
                                                  : QString::fromStdString(gradient.name);
}

int PresetIndex(const Gradient& gradient) {
    const std::vector<Gradient>& presets = GradientPresets();
    for (std::size_t k = 0; k < presets.size(); ++k) {
        if (presets[k] == gradient)
            return static_cast<int>(k);
    }
    return -1;
}

// The list's entry for a gradient that is no preset: its name, marked when it is a preset's
// name on an edited gradient.
QString CustomLabel(const Gradient& gradient) {
    if (gradient.name.empty())
        return QStringLiteral("Custom");
    const QString name = QString::fromStdString(gradient.name);
    for (const Gradient& preset : GradientPresets()) {
        if (preset.name == gradient.name)
            return name + QStringLiteral(" (edited)");
    }
    return name;
}

QString Describe(const Gradient& gradient, std::size_t colours, int markers) {
    QString text;
    switch (gradient.kind) {
        case GradientKind::Palette:
            text = QStringLiteral("The definition's palette: %1 colours.").arg(colours);
            break;
        case GradientKind::Entries:
            text = QStringLiteral("A colour map of %1 entries.").arg(gradient.stops.size());
            break;
        case GradientKind::Stops:
            return QStringLiteral("%1 stops, blended in Oklab.").arg(gradient.stops.size());
        case GradientKind::Segments:
            text = QStringLiteral("A GIMP gradient of %1 segments.").arg(gradient.segments.size());
            break;
    }
    return text + (markers > 0 ? QStringLiteral(" Editing a stop turns it into stops.")
                               : QStringLiteral(" Too many to edit one by one: a preset or a "
                                                "file can be edited."));
}

QDoubleSpinBox* NumberBox(const char* name, double low, double high, int decimals, double step,
                          const QString& suffix) {
    auto* box = new QDoubleSpinBox;
    box->setObjectName(QString::fromLatin1(name));
    box->setRange(low, high);
    box->setDecimals(decimals);
    box->setSingleStep(step);
    box->setSuffix(suffix);
    // Arrows and the wheel show each step at once; typed numbers count once they are complete.
    box->setKeyboardTracking(false);
    return box;
}

double Fraction(double value) {
    return value - std::floor(value);
}

// Places the dialog beside the main window, where it hides none of the picture.
void PlaceBeside(QDialog& dialog, QWidget* window) {
    if (window == nullptr || window->screen() == nullptr)
        return;
    dialog.adjustSize();
    const auto rect = [](const QRect& r) {
        return WindowRect{r.x(), r.y(), r.width(), r.height()};
    };
    // The dialog's frame is not known before it shows: allow for one.
    const QSize size = dialog.size() + QSize(16, 40);
    const WindowRect placed =
        BesideWindow(rect(window->frameGeometry()), {0, 0, size.width(), size.height()},
                     rect(window->screen()->availableGeometry()));
    dialog.move(placed.x, placed.y);
}

QString NoteFor(ColouringPreview::Picture picture) {
    switch (picture) {
        case ColouringPreview::Picture::Recolours:
            return QStringLiteral("Every change shows on the picture at once.");
        case ColouringPreview::Picture::Regenerates:
            return QStringLiteral(
                "The picture shown was computed without all a colouring may need: the first "
                "change that needs more draws it again, once. After that every change shows "
                "at once.");
        case ColouringPreview::Picture::Waits:
            break;
    }
    return QStringLiteral(
        "There is no picture of this view yet: the colouring shows when it is "
        "generated.");
}

}  // namespace

ColouringDialog::ColouringDialog(const Colouring& colouring, std::vector<Pixel> palette,
                                 const QString& note, GradientFileAccess files, QWidget* parent)
    : QDialog(parent), colouring_(colouring), palette_(std::move(palette)), files_(files) {
    setObjectName(QStringLiteral("ColouringDlg"));
    setWindowTitle(QStringLiteral("Colouring"));
    Build();
    note_->setText(note);
    Fill();
}

void ColouringDialog::Build() {
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(BuildMethod());
    layout->addWidget(BuildGradient());
    note_ = new QLabel;
    note_->setWordWrap(true);
    layout->addWidget(note_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetMinimumSize);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    Connect();
}

QWidget* ColouringDialog::BuildMethod() {
    method_ = new QComboBox;
    method_->setObjectName(QStringLiteral("method"));
    for (const MethodChoice& choice : kMethods) {
        method_->addItem(QString::fromLatin1(choice.label), static_cast<int>(choice.method));
        method_->setItemData(method_->count() - 1, QString::fromLatin1(choice.tip),
                             Qt::ToolTipRole);
    }
    thickness_ = NumberBox("thickness", 0.1, 1000.0, 2, 0.25, QStringLiteral(" pixels"));
    thickness_->setToolTip(QStringLiteral("How far from the boundary the ink reaches."));
    strength_ = NumberBox("strength", 0.0, 100.0, 2, 0.1, {});
    strength_->setToolTip(QStringLiteral("How high the surface stands: the depth of the shading."));
    angle_ = new QSpinBox;
    angle_->setObjectName(QStringLiteral("angle"));
    angle_->setRange(0, 359);
    angle_->setWrapping(true);
    angle_->setSuffix(QStringLiteral("\u00b0"));
    angle_->setKeyboardTracking(false);
    angle_->setToolTip(
        QStringLiteral("Where the light comes from, in degrees anticlockwise from the right."));
    interior_ = new QPushButton;
    interior_->setObjectName(QStringLiteral("interior"));
    interior_->setToolTip(
        QStringLiteral("The colour of points that never escape; the ink of "
                       "Distance."));

    auto* methodGroup = new QGroupBox(QStringLiteral("Method"));
    auto* methodForm = new QFormLayout(methodGroup);
    methodForm->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
    methodForm->addRow(QStringLiteral("&Method:"), method_);
    methodForm->addRow(QStringLiteral("&Thickness:"), thickness_);
    methodForm->addRow(QStringLiteral("&Strength:"), strength_);
    methodForm->addRow(QStringLiteral("&Light from:"), angle_);
    methodForm->addRow(QStringLiteral("I&nterior:"), interior_);
    return methodGroup;
}

QWidget* ColouringDialog::BuildGradient() {
    preset_ = new QComboBox;
    preset_->setObjectName(QStringLiteral("preset"));
    for (const Gradient& preset : GradientPresets())
        preset_->addItem(PresetLabel(preset));
    preset_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    import_ = new QPushButton(QStringLiteral("&Import..."));
    import_->setObjectName(QStringLiteral("import"));
    import_->setToolTip(QStringLiteral("A Fractint colour map (.map) or a GIMP gradient (.ggr)."));
    export_ = new QPushButton(QStringLiteral("&Export..."));
    export_->setObjectName(QStringLiteral("export"));
    export_->setToolTip(QStringLiteral("The gradient as a GIMP gradient (.ggr)."));
    strip_ = new GradientStrip;
    strip_->setObjectName(QStringLiteral("strip"));
    strip_->setToolTip(QStringLiteral(
        "Click a stop to select it, drag it to move it, double-click it for its colour; "
        "double-click between stops to add one. Keys: arrows select, Shift+arrows move, "
        "Insert adds, Delete removes, Enter colours."));
    about_ = new QLabel;
    about_->setWordWrap(true);
    add_ = new QPushButton(QStringLiteral("&Add"));
    add_->setObjectName(QStringLiteral("add"));
    delete_ = new QPushButton(QStringLiteral("&Delete"));
    delete_->setObjectName(QStringLiteral("delete"));
    colour_ = new QPushButton(QStringLiteral("Colo&ur..."));
    colour_->setObjectName(QStringLiteral("colour"));
    position_ = NumberBox("position", 0.0, 1.0, 3, 0.01, {});
    repeat_ = NumberBox("repeat", 0.01, 1e9, 2, 1.0, QStringLiteral(" iterations"));
    repeat_->setToolTip(QStringLiteral(
        "How many iterations one pass through the gradient spans. In Bands a palette or a "
        "colour map gives each count its own entry instead."));
    offset_ = NumberBox("offset", 0.0, 1.0, 3, 0.01, {});
    offset_->setWrapping(true);
    offset_->setToolTip(QStringLiteral("Where the gradient starts, as a part of one pass."));

    auto* gradientGroup = new QGroupBox(QStringLiteral("Gradient"));
    auto* gradientBox = new QVBoxLayout(gradientGroup);
    auto* presetRow = new QHBoxLayout;
    auto* presetLabel = new QLabel(QStringLiteral("&Gradient:"));
    presetLabel->setBuddy(preset_);
    presetRow->addWidget(presetLabel);
    presetRow->addWidget(preset_, 1);
    presetRow->addWidget(import_);
    presetRow->addWidget(export_);
    gradientBox->addLayout(presetRow);
    gradientBox->addWidget(strip_);
    auto* stopRow = new QHBoxLayout;
    stopRow->addWidget(add_);
    stopRow->addWidget(delete_);
    stopRow->addWidget(colour_);
    stopRow->addStretch(1);
    auto* positionLabel = new QLabel(QStringLiteral("&Position:"));
    positionLabel->setBuddy(position_);
    stopRow->addWidget(positionLabel);
    stopRow->addWidget(position_);
    gradientBox->addLayout(stopRow);
    gradientBox->addWidget(about_);
    auto* passForm = new QFormLayout;
    passForm->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
    passForm->addRow(QStringLiteral("&Repeat every:"), repeat_);
    passForm->addRow(QStringLiteral("O&ffset:"), offset_);
    gradientBox->addLayout(passForm);
    return gradientGroup;
}

void ColouringDialog::Connect() {
    connect(method_, &QComboBox::currentIndexChanged, this, [this] {
        if (filling_)
            return;
        colouring_.method = static_cast<ColourMethod>(method_->currentData().toInt());
        ShowGradient();
        EnableForMethod();
        Changed();
    });
    const auto number = [this](QDoubleSpinBox* box, double Colouring::*setting,
                               bool fraction = false) {
        connect(box, &QDoubleSpinBox::valueChanged, this, [this, setting, fraction](double value) {
            if (filling_)
                return;
            colouring_.*setting = fraction ? Fraction(value) : value;
            Changed();
        });
    };
    number(thickness_, &Colouring::thickness);
    number(strength_, &Colouring::strength);
    number(repeat_, &Colouring::repeat);
    number(offset_, &Colouring::offset, true);
    connect(angle_, &QSpinBox::valueChanged, this, [this](int degrees) {
        if (filling_)
            return;
        colouring_.angle = degrees;
        Changed();
    });
    connect(interior_, &QPushButton::clicked, this, &ColouringDialog::AskInterior);
    connect(preset_, &QComboBox::activated, this, [this](int index) {
        const std::vector<Gradient>& presets = GradientPresets();
        if (index >= 0 && static_cast<std::size_t>(index) < presets.size() &&
            presets[static_cast<std::size_t>(index)] != colouring_.gradient)
            SetGradient(presets[static_cast<std::size_t>(index)]);
    });
    connect(import_, &QPushButton::clicked, this, &ColouringDialog::Import);
    connect(export_, &QPushButton::clicked, this, &ColouringDialog::Export);

    connect(strip_, &GradientStrip::SelectionChanged, this, &ColouringDialog::ShowStop);
    connect(strip_, &GradientStrip::MoveAsked, this,
            [this](int index, double position) { Apply(MoveStop(Editable(), index, position)); });
    connect(strip_, &GradientStrip::AddAsked, this, &ColouringDialog::AddStopAt);
    connect(strip_, &GradientStrip::DeleteAsked, this,
            [this](int index) { Apply(DeleteStop(Editable(), index)); });
    connect(strip_, &GradientStrip::ColourAsked, this, &ColouringDialog::AskStopColour);
    connect(add_, &QPushButton::clicked, this, [this] { AddStopAt(strip_->NewStopPosition()); });
    connect(delete_, &QPushButton::clicked, this,
            [this] { Apply(DeleteStop(Editable(), strip_->Selected())); });
    connect(colour_, &QPushButton::clicked, this, [this] { AskStopColour(strip_->Selected()); });
    connect(position_, &QDoubleSpinBox::valueChanged, this, [this](double position) {
        if (!filling_)
            Apply(MoveStop(Editable(), strip_->Selected(), position));
    });
}

void ColouringDialog::Fill() {
    filling_ = true;
    method_->setCurrentIndex(method_->findData(static_cast<int>(colouring_.method)));
    thickness_->setValue(colouring_.thickness);
    strength_->setValue(colouring_.strength);
    angle_->setValue(static_cast<int>(std::lround(Fraction(colouring_.angle / 360.0) * 360.0)) %
                     360);
    ShowColour(*interior_, colouring_.interior);
    repeat_->setValue(colouring_.repeat);
    offset_->setValue(Fraction(colouring_.offset));
    filling_ = false;
    ShowGradient();
    EnableForMethod();
}

void ColouringDialog::ShowGradient() {
    const bool filling = filling_;
    filling_ = true;
    const Gradient& gradient = colouring_.gradient;
    const Gradient editable = Editable();
    strip_->Show(gradient, palette_, editable.stops, colouring_.method == ColourMethod::Bands);

    const int presets = static_cast<int>(GradientPresets().size());
    int index = PresetIndex(gradient);
    if (preset_->count() > presets)
        preset_->removeItem(presets);
    if (index < 0) {
        preset_->addItem(CustomLabel(gradient));
        index = presets;
    }
    preset_->setCurrentIndex(index);
    about_->setText(Describe(gradient, palette_.size(), strip_->Markers()));
    add_->setEnabled(strip_->Markers() > 0);
    filling_ = filling;
    ShowStop();
}

void ColouringDialog::ShowStop() {
    const int selected = strip_->Selected();
    delete_->setEnabled(selected >= 0);
    colour_->setEnabled(selected >= 0);
    Enable(position_, selected >= 0);
    if (selected >= 0) {
        const bool filling = filling_;
        filling_ = true;
        position_->setValue(strip_->Marker(selected).position);
        filling_ = filling;
    }
}

void ColouringDialog::Enable(QWidget* field, bool on) {
    field->setEnabled(on);
    // Its label, the one that names it as its buddy, goes grey with it.
    for (QLabel* label : findChildren<QLabel*>()) {
        if (label->buddy() == field)
            label->setEnabled(on);
    }
}

void ColouringDialog::EnableForMethod() {
    const ColourMethod method = colouring_.method;
    Enable(thickness_, method == ColourMethod::Distance);
    Enable(strength_, method == ColourMethod::Relief);
    Enable(angle_, method == ColourMethod::Relief);
    const GradientKind kind = colouring_.gradient.kind;
    Enable(repeat_, !(method == ColourMethod::Bands &&
                      (kind == GradientKind::Palette || kind == GradientKind::Entries)));
}

void ColouringDialog::Changed() {
    if (!filling_ && change_)
        change_(colouring_);
}

void ColouringDialog::SetGradient(const Gradient& gradient) {
    colouring_.gradient = gradient;
    strip_->Select(-1);
    ShowGradient();
    EnableForMethod();
    Changed();
}

Gradient ColouringDialog::Editable() const {
    return EditableStops(colouring_.gradient, palette_);
}

void ColouringDialog::Apply(const GradientEdit& edit) {
    if (!edit.gradient) {
        files_.ui.ShowMessage(edit.error);
        return;
    }
    colouring_.gradient = *edit.gradient;
    ShowGradient();
    strip_->Select(edit.index);
    ShowStop();
    EnableForMethod();
    Changed();
}

void ColouringDialog::AddStopAt(double position) {
    // The new stop takes the colour the gradient has there, so that adding changes nothing
    // until the stop is moved or coloured.
    const Pixel colour = PixelOf(GradientColour(colouring_.gradient, palette_, position));
    Apply(AddStop(Editable(), position, RgbOfColour(QColor::fromRgb(colour))));
}

void ColouringDialog::AskStopColour(int index) {
    if (index < 0 || index >= strip_->Markers())
        return;
    const QColor chosen = QColorDialog::getColor(ColourOf(strip_->Marker(index).colour), this,
                                                 QStringLiteral("Colour of the stop"));
    if (chosen.isValid())
        Apply(RecolourStop(Editable(), index, RgbOfColour(chosen)));
}

void ColouringDialog::AskInterior() {
    const QColor chosen =
        QColorDialog::getColor(ColourOf(colouring_.interior), this, QStringLiteral("Interior"));
    if (!chosen.isValid())
        return;
    colouring_.interior = RgbOfColour(chosen);
    ShowColour(*interior_, colouring_.interior);
    Changed();
}

void ColouringDialog::Import() {
    const auto path = files_.dialogs.AskOpen(files_.directory, OpenedKind::Gradient);
    if (!path)
        return;
    files_.directory = std::filesystem::path(*path).parent_path().string();
    const GradientRead read = LoadGradientFile(*path);
    if (!read.gradient) {
        files_.ui.ShowMessage("Failed to import gradient: " + read.error + ".");
        return;
    }
    SetGradient(*read.gradient);
}

void ColouringDialog::Export() {
    const std::string& name = colouring_.gradient.name;
    const auto path = files_.dialogs.AskSave(
        files_.directory, SafeFileStem(name.empty() ? "Gradient" : name), SavedKind::Gradient);
    if (!path)
        return;
    files_.directory = std::filesystem::path(*path).parent_path().string();
    std::string reason;
    if (!SaveGgrFile(*path, colouring_.gradient, palette_, &reason))
        files_.ui.ShowMessage("Failed to export gradient: " + reason + ".");
}

bool EditColouring(Workspace& workspace, FileDialogs& dialogs, std::string& gradientDirectory,
                   QWidget* parent) {
    ColouringPreview preview(workspace);
    ColouringDialog dialog(preview.Original(), preview.Palette(), NoteFor(preview.Shown()),
                           {dialogs, workspace.ui, gradientDirectory}, parent);
    dialog.OnChange([&preview](const Colouring& colouring) { preview.Show(colouring); });
    PlaceBeside(dialog, parent);
    if (dialog.exec() != QDialog::Accepted) {
        preview.Restore();
        return false;
    }
    preview.Keep();
    return workspace.current.Definition().Appearance.Colouring != preview.Original();
}

}  // namespace zolt
