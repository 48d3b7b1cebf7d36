#include "skin/SkinApply.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QString>
#include <vector>

#include "app/Logger.h"
#include "skin/BuiltinSkin.h"
#include "skin/CSkinCtrl.h"
#include "skin/CSkinList.h"
#include "skin/CSkinSizer.h"
#include "skin/CSkinSlider.h"
#include "skin/CSkinString.h"
#include "skin/CSkinWnd.h"
#include "skin/CSkinning.h"
#include "skin/SkinFile.h"

namespace zvp {
namespace {

void ApplyKindValues(CSkinWnd& cacheOwner, CSkinCtrl& ctrl, const SkinCtrlValues& values) {
    if (auto* slider = dynamic_cast<CSkinSlider*>(&ctrl)) {
        slider->SetHorizontal(values.horizontal);
        slider->SetThumbImage(cacheOwner.LoadImage(values.boxImage), values.boxImage);
    } else if (auto* sizer = dynamic_cast<CSkinSizer*>(&ctrl)) {
        sizer->SetBoxImage(cacheOwner.LoadImage(values.boxImage), values.boxPieces,
                           values.boxImage);
        if (values.backgroundColor) sizer->SetBackgroundColor(*values.backgroundColor);
    } else if (auto* text = dynamic_cast<CSkinString*>(&ctrl)) {
        if (values.HasFont()) text->SetFontSize(values.fontWidth, values.fontHeight);
        if (values.textColor) text->SetTextColor(*values.textColor);
        if (values.textFocusColor) text->SetTextFocusColor(*values.textFocusColor);
        if (values.backgroundColor) text->SetBackgroundColor(*values.backgroundColor);
    } else if (auto* list = dynamic_cast<CSkinList*>(&ctrl)) {
        if (values.textColor) list->SetTextColor(*values.textColor);
        if (values.textBackgroundColor) list->SetTextBackgroundColor(*values.textBackgroundColor);
        if (values.textErrorColor) list->SetTextErrorColor(*values.textErrorColor);
        if (values.textHighlightColor) list->SetTextHighlightColor(*values.textHighlightColor);
        if (values.textHighlightBackgroundColor) {
            list->SetTextHighlightBackgroundColor(*values.textHighlightBackgroundColor);
        }
    }
}

// Drops the window's frame, control list and cached images.
void ClearSkin(CSkinWnd& window) {
    window.Frame() = {};
    window.ClearCtrls();
    window.ReleaseImages();
}

void ApplyBuiltin(CSkinWnd& window, std::span<const SkinCtrlSlot> ctrls) {
    const SkinWindowValues frame = BuiltinWindowValues();
    window.Frame().source = frame.image;
    window.Frame().image = window.LoadImage(frame.image);
    window.Frame().pieces = frame.pieces;
    for (const SkinCtrlSlot& slot : ctrls) {
        const BuiltinCtrl* builtin = FindBuiltinCtrl(slot.section);
        if (!builtin || !slot.ctrl) continue;
        const SkinCtrlValues values = BuiltinCtrlValues(*builtin);
        ApplyCtrlSection(&window, slot.ctrl, &values);
    }
}

bool SameSection(const char* a, const char* b) {
    const IniNameLess less;
    return !less(a, b) && !less(b, a);
}

void ListBuiltinOrder(CSkinWnd& window, std::span<const SkinCtrlSlot> ctrls) {
    window.ClearCtrls();
    for (const SkinCtrlSlot& slot : ctrls) {
        if (SameSection(slot.section, "playlist")) window.AddCtrl(slot.ctrl);
    }
    for (const SkinCtrlSlot& slot : ctrls) {
        if (!SameSection(slot.section, "playlist")) window.AddCtrl(slot.ctrl);
    }
}

QString MenuText(const std::string& name) {
    return QString::fromStdString(name).replace(QLatin1Char('&'), QLatin1String("&&"));
}

}  // namespace

bool ApplyCtrlSection(CSkinWnd* cacheOwner, CSkinCtrl* ctrl, const SkinCtrlValues* values) {
    if (!cacheOwner || !ctrl || !values) return false;
    CSkinWnd::Image image = cacheOwner->LoadImage(values->image);
    if (!values->image.empty() && (!image || image->IsEmpty())) return false;
    const SkinRect geometry =
        values->Geometry(image ? image->Width() : 0, image ? image->Height() : 0);
    ctrl->SetLayout(geometry.x, geometry.y, geometry.width, geometry.height);
    ctrl->SetImage(std::move(image), values->image);
    ApplyKindValues(*cacheOwner, *ctrl, *values);
    return true;
}

bool LiesInside(const SkinRect& geometry, QSize client) {
    const QRect placed = CSkinWnd::PlaceRect(geometry, client);
    const QRect area(placed.topLeft(), placed.size().expandedTo(QSize(1, 1)));
    return area.intersects(QRect(QPoint(0, 0), client));
}

void ApplyDefaultSkin(CSkinWnd& window, std::span<const SkinCtrlSlot> ctrls) {
    ClearSkin(window);
    ApplyBuiltin(window, ctrls);
    ListBuiltinOrder(window, ctrls);
}

bool LoadSkinFile(CSkinWnd& window, std::span<const SkinCtrlSlot> ctrls, const std::string& path) {
    ClearSkin(window);
    ApplyBuiltin(window, ctrls);
    ListBuiltinOrder(window, ctrls);
    const std::optional<SkinDefinition> skin = ReadSkinDefinition(path);
    if (!skin) return false;
    CSkinWnd::Image frame = window.LoadImage(skin->window.image);
    if (!frame || frame->IsEmpty()) {
        Log(LogPoint{"LoadSkinFile", kLogInfo}, "Cannot load skin frame image: %s", path.c_str());
        return false;
    }
    window.Frame().image = std::move(frame);
    window.Frame().source = skin->window.image;
    window.Frame().pieces = skin->window.pieces;

    const QSize client = window.size().expandedTo(window.GetMinSize());
    window.ClearCtrls();
    for (const SkinCtrlSlot& slot : ctrls) {
        const SkinCtrlValues* values = skin->FindCtrl(slot.section);
        if (values && slot.ctrl) {
            const CSkinWnd::Image image = window.LoadImage(values->image);
            const SkinRect geometry =
                values->Geometry(image ? image->Width() : 0, image ? image->Height() : 0);
            if (!LiesInside(geometry, client)) {
                Log(LogPoint{"LoadSkinFile", kLogInfo},
                    "Skin control lies outside the window: [%s]", slot.section);
            } else {
                ApplyCtrlSection(&window, slot.ctrl, values);
            }
        }
        window.AddCtrl(slot.ctrl);
    }
    return true;
}

bool SwitchSkin(CSkinWnd& window, std::span<const SkinCtrlSlot> ctrls, int commandId) {
    if (commandId == kSkinDefaultCommand) {
        ApplyDefaultSkin(window, ctrls);
        CSkinning::SetCurrentSkinName(CSkinning::kDefaultSkinName);
    } else if (commandId >= kSkinFileCommandFirst &&
               commandId < kSkinFileCommandFirst + kMaxSkinMenuFiles) {
        const std::vector<std::string> skins = CSkinning::ListSkins();
        const size_t index = static_cast<size_t>(commandId - kSkinFileCommandFirst);
        if (index >= skins.size()) return false;
        LoadSkinFile(window, ctrls, skins[index]);
        CSkinning::SetCurrentSkinName(skins[index]);
    } else {
        return false;
    }
    window.RepositionControls();
    window.update();
    return true;
}

QMenu* AddSkinsMenu(QMenu& menu) {
    const std::vector<std::string> skins = CSkinning::ListSkins();
    if (skins.empty()) return nullptr;
    menu.addSeparator();
    QMenu* sub = menu.addMenu(QStringLiteral("&Skins"));
    auto* group = new QActionGroup(sub);
    group->setExclusive(true);
    const std::string& current = CSkinning::CurrentSkinName();
    const auto add = [&](const QString& text, int id, bool checked) {
        QAction* action = sub->addAction(text);
        action->setData(id);
        action->setCheckable(true);
        action->setChecked(checked);
        group->addAction(action);
    };
    add(QStringLiteral("Default"), kSkinDefaultCommand, current == CSkinning::kDefaultSkinName);
    sub->addSeparator();
    const size_t count = std::min<size_t>(skins.size(), kMaxSkinMenuFiles);
    for (size_t i = 0; i < count; ++i) {
        add(MenuText(CSkinning::DisplayName(skins[i])), kSkinFileCommandFirst + static_cast<int>(i),
            skins[i] == current);
    }
    return sub;
}

}  // namespace zvp
