#include "sim/command_bar_control.h"

#include <algorithm>

#include "platform/text.h"
#include "sim/bar_store.h"
#include "sim/command_bar.h"
#include "sim/command_bar_controls.h"
#include "sim/host_errors.h"
#include "sim/picture.h"

namespace sim {
namespace {

const std::vector<std::shared_ptr<CommandBarControl>> kNoControls;

}  // namespace

std::wstring withoutAccelerator(const std::wstring& caption) {
  std::wstring text;
  for (std::size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == L'&') {
      if (i + 1 < caption.size() && caption[i + 1] == L'&') text.push_back(L'&'), ++i;
      continue;
    }
    text.push_back(caption[i]);
  }
  return text;
}

std::shared_ptr<CommandBarControl> CommandBarControl::create(std::shared_ptr<BarContext> context, ControlType type,
                                                             std::int32_t id, bool builtIn, bool temporary) {
  auto control = std::make_shared<CommandBarControl>(context, type, id, builtIn, temporary);
  if (type == ControlType::Popup) {
    control->menu_ = CommandBar::create(std::move(context), L"", BarType::Popup, builtIn, false);
    control->menu_->setOwner(control);
  }
  return control;
}

bool CommandBarControl::implements(std::wstring_view interfaceName) const {
  std::wstring_view name = interfaceName;
  if (name.size() > 7 && platform::equalsIgnoreCase(name.substr(0, 7), L"Office.")) name.remove_prefix(7);
  if (!name.empty() && name.front() == L'_') name.remove_prefix(1);
  if (platform::equalsIgnoreCase(name, L"CommandBarButton")) return type_ == ControlType::Button;
  if (platform::equalsIgnoreCase(name, L"CommandBarPopup")) return type_ == ControlType::Popup;
  return true;
}

CommandBarControl::CommandBarControl(std::shared_ptr<BarContext> context, ControlType type, std::int32_t id,
                                     bool builtIn, bool temporary)
    : context_(std::move(context)), type_(type), id_(id), builtIn_(builtIn), temporary_(temporary) {
  registerMembers();
}

std::wstring CommandBarControl::screenTip() const {
  return tooltipText_.empty() ? withoutAccelerator(caption_) : tooltipText_;
}

std::optional<std::vector<std::uint8_t>> CommandBarControl::pictureDib() const {
  if (auto* picture = picture_.as<Picture>()) return picture->dib();
  return std::nullopt;
}

std::optional<std::vector<std::uint8_t>> CommandBarControl::maskDib() const {
  if (auto* mask = mask_.as<Picture>()) return mask->dib();
  return std::nullopt;
}

std::int32_t CommandBarControl::index() const {
  auto parent = parent_.lock();
  if (!parent || isGone()) return 0;
  const auto& siblings = parent->controls();
  for (std::size_t i = 0; i < siblings.size(); ++i) {
    if (siblings[i].get() == this) return static_cast<std::int32_t>(i + 1);
  }
  return 0;
}

std::int32_t CommandBarControl::width() const {
  if (!visible_) return 0;
  const auto chars = static_cast<std::int32_t>(withoutAccelerator(caption_).size());
  auto parent = parent_.lock();
  const BarType barType = parent ? parent->type() : BarType::Normal;
  if (barType == BarType::Popup) return 40 + 7 * chars;  // a menu item
  if (type_ == ControlType::Popup) return 12 + 7 * chars;
  switch (style_) {
    case 1: return 23;  // msoButtonIcon
    case 2: return 8 + 7 * chars;  // msoButtonCaption
    case 0: return barType == BarType::MenuBar ? 8 + 7 * chars : 23;  // msoButtonAutomatic
    default: return 27 + 7 * chars;  // an icon and a caption
  }
}

const std::vector<std::shared_ptr<CommandBarControl>>& CommandBarControl::controls() const {
  return menu_ ? menu_->controls() : kNoControls;
}

void CommandBarControl::requirePictures(const wchar_t* member) const {
  // Picture and Mask came with Office XP; before it, a face could only be pasted.
  if (context_->version < 10) memberNotFound(member);
}

void CommandBarControl::remove(bool temporary) {
  requireUsable();
  // Keeps the control alive while it leaves the bar that owns it.
  auto self = std::static_pointer_cast<CommandBarControl>(shared_from_this());
  auto parent = parent_.lock();
  std::size_t at = 0;
  if (parent) at = parent->takeControl(*this);
  if (temporary && !temporary_ && parent) {
    if (auto store = context_->store.lock()) store->restoreAtEndOfRun(parent, at, cloneDetached());
  }
  retireTree();
}

std::shared_ptr<CommandBarControl> CommandBarControl::cloneDetached() const {
  auto copy = create(context_, type_, id_, builtIn_, temporary_);
  copy->caption_ = caption_;
  copy->tooltipText_ = tooltipText_;
  copy->tag_ = tag_;
  copy->onAction_ = onAction_;
  copy->parameter_ = parameter_;
  copy->descriptionText_ = descriptionText_;
  copy->beginGroup_ = beginGroup_;
  copy->enabled_ = enabled_;
  copy->visible_ = visible_;
  copy->style_ = style_;
  copy->faceId_ = faceId_;
  copy->state_ = state_;
  copy->picture_ = picture_;
  copy->mask_ = mask_;
  copy->pastedFace_ = pastedFace_;
  if (menu_) {
    for (const auto& child : menu_->controls()) copy->menu_->insertControl(child->cloneDetached(), SIZE_MAX);
  }
  return copy;
}

void CommandBarControl::retireTree() {
  retire(host_errors::commandBarObjectGone());
  if (menu_) menu_->retireTree();
}

void CommandBarControl::endRun() {
  disconnectAll();
  if (menu_) menu_->endRun();
}

int CommandBarControl::signatureVersion() const { return context_->version; }

void CommandBarControl::registerMembers() {
  signature(type_ == ControlType::Popup ? L"Office.CommandBarPopup" : L"Office._CommandBarButton");
  auto text = [this](const wchar_t* name, std::wstring CommandBarControl::*field) {
    property(
        name, [this, field](Params&) { return Variant(this->*field); },
        [this, field](Params&, const Variant& value) { this->*field = value.toString(); });
  };
  auto flag = [this](const wchar_t* name, bool CommandBarControl::*field) {
    property(
        name, [this, field](Params&) { return Variant(this->*field); },
        [this, field](Params&, const Variant& value) { this->*field = value.toBool(); });
  };
  text(L"Caption", &CommandBarControl::caption_);
  text(L"TooltipText", &CommandBarControl::tooltipText_);
  text(L"Tag", &CommandBarControl::tag_);
  text(L"OnAction", &CommandBarControl::onAction_);
  text(L"Parameter", &CommandBarControl::parameter_);
  text(L"DescriptionText", &CommandBarControl::descriptionText_);
  flag(L"BeginGroup", &CommandBarControl::beginGroup_);
  flag(L"Enabled", &CommandBarControl::enabled_);
  flag(L"Visible", &CommandBarControl::visible_);
  property(L"Type", [this](Params&) { return Variant(static_cast<std::int32_t>(type_)); });
  property(L"Id", [this](Params&) { return Variant(id_); });
  property(L"Index", [this](Params&) { return Variant(index()); });
  property(L"BuiltIn", [this](Params&) { return Variant(builtIn_); });
  property(L"Width", [this](Params&) { return Variant(width()); });
  property(L"Height", [this](Params&) { return Variant(std::int32_t{visible_ ? 22 : 0}); });
  property(L"Parent", [this](Params&) {
    auto parent = parent_.lock();
    return parent ? Variant(parent->self()) : Variant(Object());
  });
  method(L"Delete", {L"Temporary"}, [this](Params& p) {
    remove(p.has(0) && p.at(0).toBool());
    return Variant();
  });

  if (type_ == ControlType::Popup) {
    property(L"Controls", [this](Params&) {
      return Variant(Object(std::make_shared<CommandBarControls>(menu_)));
    });
    property(L"CommandBar", [this](Params&) { return Variant(menu_->self()); });
    return;
  }

  property(
      L"Style", [this](Params&) { return Variant(style_); },
      [this](Params&, const Variant& value) { style_ = value.toInt32(); });
  property(
      L"State", [this](Params&) { return Variant(state_); },
      [this](Params&, const Variant& value) { state_ = value.toInt32(); });
  property(
      L"FaceId", [this](Params&) { return Variant(faceId_); },
      [this](Params&, const Variant& value) {
        faceId_ = value.toInt32();
        picture_ = Object();
        mask_ = Object();
        pastedFace_.reset();
      });
  property(
      L"Picture",
      [this](Params&) {
        requirePictures(L"Picture");
        if (picture_) return Variant(picture_);
        if (pastedFace_) return Variant(Object(Picture::fromDib(*pastedFace_)));
        return Variant(Object());
      },
      [this](Params&, const Variant& value) {
        requirePictures(L"Picture");
        picture_ = value.toObject();
        pastedFace_.reset();
      });
  property(
      L"Mask",
      [this](Params&) {
        requirePictures(L"Mask");
        return Variant(mask_);
      },
      [this](Params&, const Variant& value) {
        requirePictures(L"Mask");
        mask_ = value.toObject();
      });
  method(L"PasteFace", {}, [this](Params&) {
    std::optional<std::vector<std::uint8_t>> bitmap;
    if (context_->ui) bitmap = context_->ui->clipboardBitmap();
    if (!bitmap) throw host_errors::methodFailed(L"PasteFace", L"_CommandBarButton");
    pastedFace_ = std::move(*bitmap);
    picture_ = Object();
    mask_ = Object();
    return Variant();
  });
  method(L"CopyFace", {}, [this](Params&) {
    std::optional<std::vector<std::uint8_t>> face = pastedFace_ ? pastedFace_ : pictureDib();
    if (!face || !context_->ui) throw host_errors::methodFailed(L"CopyFace", L"_CommandBarButton");
    context_->ui->setClipboardBitmap(*face);
    return Variant();
  });
  eventsInterface(L"_CommandBarButtonEvents");
}

}  // namespace sim
