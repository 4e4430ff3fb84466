#pragma once

#include <QObject>
#include <QString>

#include <memory>
#include <vector>

// A node of a tree of named nodes. A node owns its children (freeing it frees
// the subtree) and up to two attached objects. A child takes its depth and
// its four options from its parent when it is created.
class TxmlList {
public:
    // Without a parent: depth 0, name "data", options true, true, false, true.
    explicit TxmlList(TxmlList* parent = nullptr);
    virtual ~TxmlList();
    TxmlList(const TxmlList&) = delete;
    TxmlList& operator=(const TxmlList&) = delete;

    // Frees the children, empties name and text, and frees both attached
    // objects when the first one is set.
    virtual void Clear();

    int Count() const { return int(items_.size()); }
    TxmlList* Item(int i) const { return items_.at(std::size_t(i)).get(); }
    // Appends a new child created under this node.
    TxmlList* AddChild();
    TxmlList* Parent() const { return parent_; }

    const QString& Name() const { return name_; }
    // Lower-cased when LowerCaseNames is on.
    void SetName(const QString& name);
    QString Text;
    std::unique_ptr<QObject> Data;
    std::unique_ptr<QObject> Data2;

    int Depth() const { return depth_; }
    void SetDepth(int depth) { depth_ = depth; }

    // The first, the third and the name-lower-casing option reach the whole
    // subtree; the fourth only the direct children.
    bool FirstOption() const { return firstOption_; }
    void SetFirstOption(bool on);
    bool LowerCaseNames() const { return lowerCaseNames_; }
    void SetLowerCaseNames(bool on);
    bool ThirdOption() const { return thirdOption_; }
    void SetThirdOption(bool on);
    bool FourthOption() const { return fourthOption_; }
    void SetFourthOption(bool on);

protected:
    virtual std::unique_ptr<TxmlList> NewChild() { return std::make_unique<TxmlList>(this); }

private:
    std::vector<std::unique_ptr<TxmlList>> items_;
    TxmlList* parent_ = nullptr;
    QString name_;
    bool firstOption_ = true;
    bool lowerCaseNames_ = true;
    bool thirdOption_ = false;
    int depth_ = 0;
    bool fourthOption_ = true;
};

// The colour list; its file is colors.clr in the data folder (the program
// neither reads nor writes it).
class TColorsList : public TxmlList {
public:
    TColorsList();
    const QString& FileName() const { return fileName_; }

private:
    QString fileName_;
};

// The single colour list, alive while the vlmColorsUnit guard is.
extern TColorsList* ColorsList;

// Module lifetime of ColorsList: constructed after vlmGlobalUnit (it needs
// AppGlobal) and destroyed before it.
class vlmColorsUnit {
public:
    vlmColorsUnit();
    ~vlmColorsUnit();
    vlmColorsUnit(const vlmColorsUnit&) = delete;
    vlmColorsUnit& operator=(const vlmColorsUnit&) = delete;
};
