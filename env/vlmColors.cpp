#include "vlmColors.h"

#include "vlmGlobal.h"

TColorsList* ColorsList = nullptr;

TxmlList::TxmlList(TxmlList* parent) : parent_(parent)
{
    if (!parent) {
        name_ = QStringLiteral("data");
        return;
    }
    depth_ = parent->depth_ + 1;
    SetFirstOption(parent->firstOption_);
    SetLowerCaseNames(parent->lowerCaseNames_);
    SetThirdOption(parent->thirdOption_);
    SetFourthOption(parent->fourthOption_);
}

TxmlList::~TxmlList() = default;

void TxmlList::Clear()
{
    items_.clear();
    name_.clear();
    Text.clear();
    if (Data) {
        Data.reset();
        Data2.reset();
    }
}

TxmlList* TxmlList::AddChild()
{
    items_.push_back(NewChild());
    return items_.back().get();
}

void TxmlList::SetName(const QString& name)
{
    name_ = lowerCaseNames_ ? name.toLower() : name;
}

void TxmlList::SetFirstOption(bool on)
{
    firstOption_ = on;
    for (const auto& child : items_)
        child->SetFirstOption(on);
}

void TxmlList::SetLowerCaseNames(bool on)
{
    lowerCaseNames_ = on;
    for (const auto& child : items_)
        child->SetLowerCaseNames(on);
}

void TxmlList::SetThirdOption(bool on)
{
    thirdOption_ = on;
    for (const auto& child : items_)
        child->SetThirdOption(on);
}

void TxmlList::SetFourthOption(bool on)
{
    fourthOption_ = on;
    for (const auto& child : items_)
        child->fourthOption_ = on;
}

TColorsList::TColorsList()
{
    if (AppGlobal)
        fileName_ = AppGlobal->DataPath() + QStringLiteral("colors.clr");
}

vlmColorsUnit::vlmColorsUnit()
{
    ColorsList = new TColorsList();
}

vlmColorsUnit::~vlmColorsUnit()
{
    delete ColorsList;
    ColorsList = nullptr;
}
