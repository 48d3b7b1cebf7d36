#include "ui/CPPageSubtitle.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/CAppIni.h"
#include "app/Logger.h"
#include "subtitle/CSubtitle.h"
#include "subtitle/SubtitleFonts.h"
#include "ui/CButtonColor.h"
#include "ui/CComboBoxFont.h"

namespace zvp {

namespace {

constexpr const char* kPrimaryKey = "subtitle::primary_text_color";
constexpr const char* kSecondaryKey = "subtitle::secondary_text_color";
constexpr const char* kOutlineKey = "subtitle::outline_color";
constexpr const char* kShadowKey = "subtitle::shadow_color";
constexpr const char* kFontKey = "subtitle::font_name";
constexpr const char* kSizeKey = "subtitle::font_size";
constexpr const char* kBorderKey = "subtitle::font_border_size";

// The value name of a "section::name" key: the control's objectName.
QString ValueName(const char* key) {
    return QString::fromStdString(std::string(CAppIni::SplitKey(key).at(1)));
}

// The colour of `key`: a stored text that is not a colour shows black, as the renderer
// draws it.
uint32_t ReadColor(const CAppIni& ini, const char* key) {
    std::string text;
    uint32_t color = 0;
    if (ini.GetString(key, text) && !CAppIni::ParseColor(text, color)) {
        Log(LogPoint{"CPPageSubtitle::ReadColor", kLogInfo},
            "%s holds \"%s\", not a colour: shown as 000000", key, text.c_str());
    }
    return ini.GetColor(key);
}

}  // namespace

CPPageSubtitle::CPPageSubtitle(QWidget* parent, std::string productName)
    : QWidget(parent), productName_(std::move(productName)) {
    font_ = new CComboBoxFont(this);
    font_->setObjectName(ValueName(kFontKey));

    auto* group = new QGroupBox(tr("Subtitle Styles"), this);
    auto* grid = new QGridLayout(group);
    grid->setHorizontalSpacing(10);
    auto addColor = [&](int row, const char* label, const char* key) {
        auto* button = new CButtonColor(group);
        button->setObjectName(ValueName(key));
        auto* text = new QLabel(tr(label), group);
        text->setBuddy(button);
        grid->addWidget(text, row, 0);
        grid->addWidget(button, row, 1);
        return button;
    };
    primary_ = addColor(0, "Primary Text:", kPrimaryKey);
    secondary_ = addColor(1, "Secondary Text:", kSecondaryKey);
    outline_ = addColor(2, "Offline:", kOutlineKey);
    shadow_ = addColor(3, "Shadow:", kShadowKey);

    size_ = new QComboBox(group);
    size_->setObjectName(ValueName(kSizeKey));
    size_->addItem(tr("Smaller Font Size"), -1);
    size_->addItem(tr("Default Font Size"), 0);
    size_->addItem(tr("Bigger Font Size"), 1);
    border_ = new QComboBox(group);
    border_->setObjectName(ValueName(kBorderKey));
    border_->addItem(tr("No Border"), -10);
    border_->addItem(tr("Thinner Border"), -1);
    border_->addItem(tr("Default Border"), 0);
    border_->addItem(tr("Thicker Border"), 1);
    reset_ = new QPushButton(tr("Reset"), group);
    reset_->setObjectName("reset");
    reset_->setAutoDefault(false);
    grid->setColumnMinimumWidth(2, 16);
    grid->addWidget(size_, 0, 3);
    grid->addWidget(border_, 1, 3);
    grid->addWidget(reset_, 3, 3, Qt::AlignRight);
    grid->setColumnStretch(3, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(font_);
    layout->addWidget(group);
    layout->addStretch(1);

    connect(reset_, &QPushButton::clicked, this, &CPPageSubtitle::AskReset);
    font_->FillInstalled();
    LoadSettings();
}

void CPPageSubtitle::SelectValue(QComboBox* list, const char* key, int value, int fallback) {
    int row = list->findData(value);
    if (row < 0) {
        row = list->findData(fallback);
        Log(LogPoint{"CPPageSubtitle::SelectValue", kLogInfo}, "%s is %d, no item has it: shown %s",
            key, value, list->itemText(row).toUtf8().constData());
    }
    list->setCurrentIndex(row);
}

void CPPageSubtitle::SelectFontOrDefault(const std::string& name) {
    if (font_->SelectFont(name)) return;
    const std::string fallback = GetDefaultFontName();
    if (!name.empty()) {
        Log(LogPoint{"CPPageSubtitle::SelectFontOrDefault", kLogInfo},
            "Font \"%s\" is not installed: shown %s", name.c_str(), fallback.c_str());
    }
    if (!font_->SelectFont(fallback)) font_->setCurrentIndex(-1);
}

void CPPageSubtitle::LoadSettings() {
    const CAppIni& ini = CAppIni::Instance();
    primary_->SetColor(ReadColor(ini, kPrimaryKey));
    secondary_->SetColor(ReadColor(ini, kSecondaryKey));
    outline_->SetColor(ReadColor(ini, kOutlineKey));
    shadow_->SetColor(ReadColor(ini, kShadowKey));

    const int size = ini.GetInt(kSizeKey);
    SelectValue(size_, kSizeKey, size, size > 1 ? 1 : size < -1 ? -1 : 0);
    SelectValue(border_, kBorderKey, ini.GetInt(kBorderKey), 0);
    SelectFontOrDefault(ini.GetString(kFontKey));
}

void CPPageSubtitle::LoadDefaults() {
    const CAppIni& ini = CAppIni::Instance();
    primary_->SetColor(ini.GetColor(kPrimaryKey, true));
    secondary_->SetColor(ini.GetColor(kSecondaryKey, true));
    outline_->SetColor(ini.GetColor(kOutlineKey, true));
    shadow_->SetColor(ini.GetColor(kShadowKey, true));
    SelectValue(size_, kSizeKey, ini.GetInt(kSizeKey, true), 0);
    SelectValue(border_, kBorderKey, ini.GetInt(kBorderKey, true), 0);
    if (!font_->SelectFont(GetDefaultFontName())) font_->setCurrentIndex(-1);
    update();
}

void CPPageSubtitle::AskReset() {
    const QMessageBox::StandardButton answer = QMessageBox::question(
        this, QString::fromStdString(productName_),
        tr("This will reset subtitle settings to the default value. Are you sure?"),
        QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    if (answer == QMessageBox::Yes) LoadDefaults();
}

void CPPageSubtitle::Apply() {
    CAppIni& ini = CAppIni::Instance();
    ini.SetColor(kPrimaryKey, primary_->GetColor());
    ini.SetColor(kSecondaryKey, secondary_->GetColor());
    ini.SetColor(kOutlineKey, outline_->GetColor());
    ini.SetColor(kShadowKey, shadow_->GetColor());
    ini.SetString(kFontKey, font_->SelectedFont());
    ini.SetInt(kSizeKey, size_->currentIndex() < 0 ? 0 : size_->currentData().toInt());
    ini.SetInt(kBorderKey, border_->currentIndex() < 0 ? 0 : border_->currentData().toInt());
    ini.Save();
    ResetSubtitleRenderer();
}

}  // namespace zvp
