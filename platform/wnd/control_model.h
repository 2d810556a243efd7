// The state and default window procedure of the standard control classes
// (button, edit, static, combo box, list box, progress bar, tooltip, tree
// view, list view). The host mirrors this state on native widgets.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "wnd/window_system.h"

class ControlModel {
public:
    virtual ~ControlModel() = default;
    // Returns true in handled when the control's own procedure took it.
    virtual LRESULT Proc(WindowRecord& record, UINT message, WPARAM wParam, LPARAM lParam, bool& handled) = 0;
};

// Null for classes that are not controls.
std::unique_ptr<ControlModel> MakeControlModel(const std::string& className, DWORD style);

// A combo box whose list drops down: its window is the closed control, so
// the height it is given (which counts the list) is not the window's.
bool IsDropDownCombo(const WindowRecord& record);
// Its height where no native control tells another.
const int kClosedComboHeight = 22;

enum class ButtonKind { Push, DefPush, CheckBox, AutoCheckBox, Radio, AutoRadio, GroupBox, OwnerDraw };

class ButtonModel : public ControlModel {
public:
    explicit ButtonModel(DWORD style);
    LRESULT Proc(WindowRecord& record, UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;
    ButtonKind Kind() const { return kind_; }
    int Check() const { return check_; }
    bool Pushed() const { return pushed_; }
    // A click by the user or BM_CLICK: check boxes and radios change, the
    // parent gets BN_CLICKED.
    void Click(WindowRecord& record);
    void SetPushed(WindowRecord& record, bool pushed);

private:
    void Redraw(WindowRecord& record);
    ButtonKind kind_;
    int check_ = BST_UNCHECKED;
    bool pushed_ = false;
};

class EditModel : public ControlModel {
public:
    LRESULT Proc(WindowRecord& record, UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;
    // Text typed by the user: stored, parent told with EN_CHANGE.
    void UserEdit(WindowRecord& record, const std::string& text);
};

class StaticModel : public ControlModel {
public:
    explicit StaticModel(DWORD style);
    LRESULT Proc(WindowRecord& record, UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;
    // An SS_ICON static draws the icon its text names ("#id") on its surface.
    bool ShowsIcon() const { return icon_; }

private:
    bool icon_;
};

class ListModel : public ControlModel {
public:
    ListModel(bool combo, DWORD style);
    LRESULT Proc(WindowRecord& record, UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;
    const std::vector<std::string>& Items() const { return items_; }
    int Selection() const { return selection_; }
    bool HasEdit() const { return combo_ && (style_ & 3) != CBS_DROPDOWNLIST; }
    bool IsCombo() const { return combo_; }
    void UserSelect(WindowRecord& record, int index);
    void UserEdit(WindowRecord& record, const std::string& text);

private:
    int Add(const std::string& text);
    int Find(const std::string& text, int after, bool exact) const;
    bool combo_;
    DWORD style_;
    std::vector<std::string> items_;
    int selection_ = -1;
};

class ProgressModel : public ControlModel {
public:
    LRESULT Proc(WindowRecord& record, UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;
    int Low() const { return low_; }
    int High() const { return high_; }
    int Pos() const { return pos_; }

private:
    int low_ = 0;
    int high_ = 100;
    int pos_ = 0;
    int step_ = 10;
};

class ToolTipModel : public ControlModel {
public:
    struct Tool {
        HWND window;
        UINT_PTR id;
        std::string text;
    };
    LRESULT Proc(WindowRecord& record, UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;
    const std::vector<Tool>& Tools() const { return tools_; }
    bool Active() const { return active_; }
    int Relayed() const { return relayed_; }

private:
    std::vector<Tool> tools_;
    bool active_ = true;
    int relayed_ = 0;
};

class TreeModel : public ControlModel {
public:
    struct Item {
        std::string text;
        LPARAM param = 0;
        HTREEITEM parent = nullptr;
        std::vector<HTREEITEM> children;
    };
    LRESULT Proc(WindowRecord& record, UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;
    const Item* Get(HTREEITEM item) const;
    const std::vector<HTREEITEM>& Roots() const { return roots_; }
    HTREEITEM Selection() const { return selection_; }
    // Selection made by the user on the native control.
    void UserSelect(WindowRecord& record, HTREEITEM item);

private:
    HTREEITEM Insert(WindowRecord& record, const TVINSERTSTRUCT& insert);
    bool Delete(WindowRecord& record, HTREEITEM item);
    void DeleteSubtree(WindowRecord& record, HTREEITEM item);
    bool Select(WindowRecord& record, HTREEITEM item, UINT action);
    HTREEITEM Next(HTREEITEM item, UINT relation) const;
    std::vector<HTREEITEM>& SiblingsOf(HTREEITEM item);
    LRESULT Notify(WindowRecord& record, UINT code, UINT action, HTREEITEM oldItem, HTREEITEM newItem);
    void FillItem(TVITEM& out, HTREEITEM item) const;

    std::vector<std::unique_ptr<Item>> storage_;
    std::vector<HTREEITEM> roots_;
    HTREEITEM selection_ = nullptr;
};

class ListViewModel : public ControlModel {
public:
    LRESULT Proc(WindowRecord&, UINT message, WPARAM, LPARAM, bool& handled) override;
};
