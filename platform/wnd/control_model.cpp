#include "wnd/control_model.h"

#include <algorithm>
#include <cstring>

#include "wnd/icons.h"
#include "wnd/window_host.h"

namespace {

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return (char)std::tolower(c); });
    return s;
}

void NotifyParent(WindowRecord& r, UINT code) {
    if (r.parent) SendMessage(r.parent, WM_COMMAND, MAKEWPARAM(r.id, code), reinterpret_cast<LPARAM>(r.hwnd));
}

LRESULT CopyText(const std::string& text, WPARAM max, LPARAM out) {
    if (!out) return (LRESULT)text.size();
    char* buffer = reinterpret_cast<char*>(out);
    size_t n = max ? std::min(text.size(), (size_t)max - 1) : text.size();
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
    return (LRESULT)n;
}

ButtonKind KindOf(DWORD style) {
    switch (style & BS_TYPEMASK) {
    case BS_DEFPUSHBUTTON: return ButtonKind::DefPush;
    case BS_CHECKBOX: return ButtonKind::CheckBox;
    case BS_AUTOCHECKBOX: return ButtonKind::AutoCheckBox;
    case BS_RADIOBUTTON: return ButtonKind::Radio;
    case BS_AUTORADIOBUTTON: return ButtonKind::AutoRadio;
    case BS_GROUPBOX: return ButtonKind::GroupBox;
    case BS_OWNERDRAW: return ButtonKind::OwnerDraw;
    default: return ButtonKind::Push;
    }
}

}  // namespace

std::unique_ptr<ControlModel> MakeControlModel(const std::string& className, DWORD style) {
    std::string name = Lower(className);
    if (name == "button") return std::make_unique<ButtonModel>(style);
    if (name == "edit") return std::make_unique<EditModel>();
    if (name == "static") return std::make_unique<StaticModel>(style);
    if (name == "combobox") return std::make_unique<ListModel>(true, style);
    if (name == "listbox") return std::make_unique<ListModel>(false, style);
    if (name == "msctls_progress32") return std::make_unique<ProgressModel>();
    if (name == "tooltips_class32") return std::make_unique<ToolTipModel>();
    if (name == "systreeview32") return std::make_unique<TreeModel>();
    if (name == "syslistview32") return std::make_unique<ListViewModel>();
    return nullptr;
}

bool IsDropDownCombo(const WindowRecord& record) {
    const auto* list = dynamic_cast<const ListModel*>(record.control.get());
    const DWORD kind = record.style & 3;
    return list && list->IsCombo() && (kind == CBS_DROPDOWN || kind == CBS_DROPDOWNLIST);
}

// Statics

StaticModel::StaticModel(DWORD style) : icon_((style & SS_TYPEMASK) == SS_ICON) {}

LRESULT StaticModel::Proc(WindowRecord& record, UINT message, WPARAM, LPARAM, bool& handled) {
    handled = icon_ && (message == WM_PAINT || message == STM_GETICON);
    if (!handled) return 0;
    HICON icon = LoadIcon(nullptr, record.text.c_str());
    if (message == STM_GETICON) return reinterpret_cast<LRESULT>(icon);
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(record.hwnd, &ps);
    if (dc && icon) DrawIcon(dc, 0, 0, icon);
    EndPaint(record.hwnd, &ps);
    return 0;
}

// Buttons

ButtonModel::ButtonModel(DWORD style) : kind_(KindOf(style)) {}

void ButtonModel::Redraw(WindowRecord& record) {
    CurrentHost().ControlChanged(record);
    if (kind_ == ButtonKind::OwnerDraw) InvalidateRect(record.hwnd, nullptr, FALSE);
}

void ButtonModel::SetPushed(WindowRecord& record, bool pushed) {
    if (pushed_ == pushed) return;
    pushed_ = pushed;
    Redraw(record);
}

void ButtonModel::Click(WindowRecord& record) {
    if (record.style & WS_DISABLED) return;
    HWND self = record.hwnd;
    if (kind_ == ButtonKind::AutoCheckBox) {
        check_ = check_ == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED;
        Redraw(record);
    } else if (kind_ == ButtonKind::AutoRadio) {
        // The other radios of the group (up to the next WS_GROUP) go off.
        if (WindowRecord* parent = wndsys::Find(record.parent)) {
            auto& siblings = parent->children;
            auto at = std::find(siblings.begin(), siblings.end(), self);
            auto first = at;
            while (first != siblings.begin()) {
                WindowRecord* s = wndsys::Find(*first);
                if (s && (s->style & WS_GROUP)) break;
                --first;
            }
            for (auto it = first; it != siblings.end(); ++it) {
                WindowRecord* s = wndsys::Find(*it);
                if (!s) continue;
                if (it != first && (s->style & WS_GROUP)) break;
                auto* other = dynamic_cast<ButtonModel*>(s->control.get());
                if (other && other != this && other->kind_ == ButtonKind::AutoRadio && other->check_) {
                    other->check_ = BST_UNCHECKED;
                    other->Redraw(*s);
                }
            }
        }
        check_ = BST_CHECKED;
        Redraw(record);
    }
    if (WindowRecord* r = wndsys::Find(self)) NotifyParent(*r, BN_CLICKED);
}

LRESULT ButtonModel::Proc(WindowRecord& record, UINT message, WPARAM wParam, LPARAM, bool& handled) {
    handled = true;
    switch (message) {
    case BM_GETCHECK: return check_;
    case BM_SETCHECK:
        check_ = (int)wParam;
        Redraw(record);
        return 0;
    case BM_GETSTATE: return check_ | (pushed_ ? BST_PUSHED : 0);
    case BM_SETSTATE:
        SetPushed(record, wParam != 0);
        return 0;
    case BM_CLICK:
        Click(record);
        return 0;
    case WM_PAINT:
        if (kind_ == ButtonKind::OwnerDraw && record.parent) {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(record.hwnd, &ps);
            DRAWITEMSTRUCT item{ODT_BUTTON, (UINT)record.id, 0, ODA_DRAWENTIRE, 0, record.hwnd, dc,
                                RECT{0, 0, record.clientCx, record.clientCy}, 0};
            if (pushed_) item.itemState |= ODS_SELECTED;
            if (record.style & WS_DISABLED) item.itemState |= ODS_DISABLED;
            if (wndsys::FocusWindow() == record.hwnd) item.itemState |= ODS_FOCUS;
            if (dc) SendMessage(record.parent, WM_DRAWITEM, (WPARAM)record.id, reinterpret_cast<LPARAM>(&item));
            EndPaint(record.hwnd, &ps);
            return 0;
        }
        handled = false;
        return 0;
    case WM_LBUTTONDOWN:
        SetPushed(record, true);
        SetCapture(record.hwnd);
        return 0;
    case WM_LBUTTONUP: {
        bool wasPushed = pushed_;
        HWND self = record.hwnd;
        SetPushed(record, false);
        if (GetCapture() == self) ReleaseCapture();
        if (wasPushed)
            if (WindowRecord* r = wndsys::Find(self)) Click(*r);
        return 0;
    }
    case WM_ENABLE:
        Redraw(record);
        handled = false;
        return 0;
    default: handled = false; return 0;
    }
}

// Edit

void EditModel::UserEdit(WindowRecord& record, const std::string& text) {
    if (record.text == text) return;
    record.text = text;
    NotifyParent(record, EN_CHANGE);
}

LRESULT EditModel::Proc(WindowRecord& record, UINT message, WPARAM, LPARAM, bool& handled) {
    handled = false;
    if (message == WM_SETTEXT) CurrentHost().ControlChanged(record);
    return 0;
}

// Combo and list boxes

ListModel::ListModel(bool combo, DWORD style) : combo_(combo), style_(style) {}

int ListModel::Add(const std::string& text) {
    bool sorted = combo_ ? (style_ & CBS_SORT) != 0 : (style_ & LBS_SORT) != 0;
    if (!sorted) {
        items_.push_back(text);
        return (int)items_.size() - 1;
    }
    // Sorted boxes compare without regard to case.
    std::string key = Lower(text);
    auto at = std::upper_bound(items_.begin(), items_.end(), key,
                               [](const std::string& k, const std::string& item) { return k < Lower(item); });
    int index = (int)(at - items_.begin());
    items_.insert(at, text);
    if (selection_ >= index) ++selection_;
    return index;
}

int ListModel::Find(const std::string& text, int after, bool exact) const {
    std::string key = Lower(text);
    int n = (int)items_.size();
    for (int k = 1; k <= n; ++k) {
        int i = (after + k + n) % n;
        if (after < 0) i = k - 1;
        std::string item = Lower(items_[(size_t)i]);
        if (exact ? item == key : item.compare(0, key.size(), key) == 0) return i;
    }
    return -1;
}

void ListModel::UserSelect(WindowRecord& record, int index) {
    if (index < -1 || index >= (int)items_.size()) return;
    selection_ = index;
    if (combo_ && index >= 0) record.text = items_[(size_t)index];
    NotifyParent(record, combo_ ? CBN_SELCHANGE : LBN_SELCHANGE);
}

void ListModel::UserEdit(WindowRecord& record, const std::string& text) {
    if (record.text == text) return;
    record.text = text;
    NotifyParent(record, CBN_EDITCHANGE);
}

LRESULT ListModel::Proc(WindowRecord& record, UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
    handled = true;
    const char* text = reinterpret_cast<const char*>(lParam);
    auto changed = [&](LRESULT result) {
        CurrentHost().ControlChanged(record);
        return result;
    };
    if (combo_) {
        switch (message) {
        case CB_ADDSTRING: return changed(Add(text ? text : ""));
        case CB_INSERTSTRING: {
            int at = (int)wParam;
            if (at < 0 || at > (int)items_.size()) at = (int)items_.size();
            items_.insert(items_.begin() + at, text ? text : "");
            return changed(at);
        }
        case CB_DELETESTRING:
            if (wParam >= items_.size()) return CB_ERR;
            items_.erase(items_.begin() + (long)wParam);
            if (selection_ == (int)wParam) selection_ = -1;
            return changed((LRESULT)items_.size());
        case CB_RESETCONTENT:
            items_.clear();
            selection_ = -1;
            return changed(0);
        case CB_GETCOUNT: return (LRESULT)items_.size();
        case CB_GETCURSEL: return selection_;
        case CB_SETCURSEL:
            if ((int)wParam < 0 || wParam >= items_.size()) {
                selection_ = -1;
                changed(0);
                return CB_ERR;
            }
            selection_ = (int)wParam;
            record.text = items_[wParam];
            return changed(selection_);
        case CB_GETLBTEXT:
            if (wParam >= items_.size()) return CB_ERR;
            return CopyText(items_[wParam], 0, lParam);
        case CB_GETLBTEXTLEN: return wParam < items_.size() ? (LRESULT)items_[wParam].size() : CB_ERR;
        case CB_FINDSTRING: return Find(text ? text : "", (int)wParam, false);
        case CB_FINDSTRINGEXACT: return Find(text ? text : "", (int)wParam, true);
        case CB_SELECTSTRING: {
            int i = Find(text ? text : "", (int)wParam, false);
            if (i < 0) return CB_ERR;
            selection_ = i;
            record.text = items_[(size_t)i];
            return changed(i);
        }
        case WM_SETTEXT:
            record.text = text ? text : "";
            return changed(TRUE);
        default: handled = false; return 0;
        }
    }
    switch (message) {
    case LB_ADDSTRING: return changed(Add(text ? text : ""));
    case LB_INSERTSTRING: {
        int at = (int)wParam;
        if (at < 0 || at > (int)items_.size()) at = (int)items_.size();
        items_.insert(items_.begin() + at, text ? text : "");
        return changed(at);
    }
    case LB_DELETESTRING:
        if (wParam >= items_.size()) return LB_ERR;
        items_.erase(items_.begin() + (long)wParam);
        if (selection_ == (int)wParam) selection_ = -1;
        return changed((LRESULT)items_.size());
    case LB_RESETCONTENT:
        items_.clear();
        selection_ = -1;
        return changed(0);
    case LB_GETCOUNT: return (LRESULT)items_.size();
    case LB_GETCURSEL: return selection_;
    case LB_SETCURSEL:
        selection_ = (wParam < items_.size()) ? (int)wParam : -1;
        return changed(selection_ < 0 ? LB_ERR : selection_);
    case LB_GETTEXT:
        if (wParam >= items_.size()) return LB_ERR;
        return CopyText(items_[wParam], 0, lParam);
    case LB_GETTEXTLEN: return wParam < items_.size() ? (LRESULT)items_[wParam].size() : LB_ERR;
    default: handled = false; return 0;
    }
}

// Progress bar

LRESULT ProgressModel::Proc(WindowRecord& record, UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
    handled = true;
    int old = pos_;
    switch (message) {
    case PBM_SETRANGE:
        low_ = LOWORD(lParam);
        high_ = HIWORD(lParam);
        break;
    case PBM_SETRANGE32:
        low_ = (int)wParam;
        high_ = (int)lParam;
        break;
    case PBM_SETPOS: pos_ = (int)wParam; break;
    case PBM_DELTAPOS: pos_ += (int)wParam; break;
    case PBM_SETSTEP: {
        int previous = step_;
        step_ = (int)wParam;
        return previous;
    }
    case PBM_STEPIT:
        pos_ += step_;
        if (pos_ > high_) pos_ = low_ + (pos_ - high_);
        break;
    case PBM_GETPOS: return pos_;
    case PBM_GETRANGE: return wParam ? low_ : high_;
    default: handled = false; return 0;
    }
    if (high_ >= low_) pos_ = std::min(std::max(pos_, low_), high_);
    CurrentHost().ControlChanged(record);
    return old;
}

// Tooltips

LRESULT ToolTipModel::Proc(WindowRecord& record, UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
    handled = true;
    switch (message) {
    case TTM_ADDTOOL: {
        const TOOLINFO* info = reinterpret_cast<const TOOLINFO*>(lParam);
        if (!info) return FALSE;
        HWND window = (info->uFlags & TTF_IDISHWND) ? reinterpret_cast<HWND>(info->uId) : info->hwnd;
        tools_.push_back(Tool{window, info->uId, info->lpszText ? info->lpszText : ""});
        CurrentHost().ControlChanged(record);
        return TRUE;
    }
    case TTM_DELTOOL: {
        const TOOLINFO* info = reinterpret_cast<const TOOLINFO*>(lParam);
        if (!info) return 0;
        tools_.erase(std::remove_if(tools_.begin(), tools_.end(),
                                    [info](const Tool& t) { return t.id == info->uId; }),
                     tools_.end());
        CurrentHost().ControlChanged(record);
        return 0;
    }
    case TTM_ACTIVATE:
        active_ = wParam != 0;
        CurrentHost().ControlChanged(record);
        return 0;
    case TTM_RELAYEVENT: ++relayed_; return 0;
    case TTM_GETTOOLCOUNT: return (LRESULT)tools_.size();
    default: handled = false; return 0;
    }
}

// Tree view

const TreeModel::Item* TreeModel::Get(HTREEITEM item) const {
    for (const auto& stored : storage_)
        if (reinterpret_cast<HTREEITEM>(stored.get()) == item) return stored.get();
    return nullptr;
}

std::vector<HTREEITEM>& TreeModel::SiblingsOf(HTREEITEM item) {
    const Item* data = Get(item);
    if (data && data->parent) return const_cast<Item*>(Get(data->parent))->children;
    return roots_;
}

void TreeModel::FillItem(TVITEM& out, HTREEITEM item) const {
    out = TVITEM{};
    out.mask = TVIF_HANDLE | TVIF_TEXT | TVIF_PARAM;
    out.hItem = item;
    if (const Item* data = Get(item)) {
        out.pszText = const_cast<char*>(data->text.c_str());
        out.lParam = data->param;
    }
}

LRESULT TreeModel::Notify(WindowRecord& record, UINT code, UINT action, HTREEITEM oldItem, HTREEITEM newItem) {
    if (!record.parent) return 0;
    NMTREEVIEW nm{};
    nm.hdr = NMHDR{record.hwnd, (UINT_PTR)record.id, code};
    nm.action = action;
    FillItem(nm.itemOld, oldItem);
    FillItem(nm.itemNew, newItem);
    return SendMessage(record.parent, WM_NOTIFY, (WPARAM)record.id, reinterpret_cast<LPARAM>(&nm));
}

HTREEITEM TreeModel::Insert(WindowRecord& record, const TVINSERTSTRUCT& insert) {
    HTREEITEM parent = (insert.hParent == TVI_ROOT || !insert.hParent) ? nullptr : insert.hParent;
    if (parent && !Get(parent)) return nullptr;
    auto item = std::make_unique<Item>();
    item->text = (insert.item.mask & TVIF_TEXT) && insert.item.pszText ? insert.item.pszText : "";
    item->param = (insert.item.mask & TVIF_PARAM) ? insert.item.lParam : 0;
    item->parent = parent;
    HTREEITEM handle = reinterpret_cast<HTREEITEM>(item.get());
    storage_.push_back(std::move(item));
    std::vector<HTREEITEM>& siblings = parent ? const_cast<Item*>(Get(parent))->children : roots_;
    if (insert.hInsertAfter == TVI_FIRST) {
        siblings.insert(siblings.begin(), handle);
    } else if (insert.hInsertAfter == TVI_SORT) {
        const std::string& text = Get(handle)->text;
        auto at = std::find_if(siblings.begin(), siblings.end(),
                               [&](HTREEITEM h) { return Lower(Get(h)->text) > Lower(text); });
        siblings.insert(at, handle);
    } else {
        auto after = std::find(siblings.begin(), siblings.end(), insert.hInsertAfter);
        siblings.insert(after == siblings.end() ? siblings.end() : after + 1, handle);
    }
    CurrentHost().ControlChanged(record);
    return handle;
}

void TreeModel::DeleteSubtree(WindowRecord& record, HTREEITEM item) {
    const Item* data = Get(item);
    if (!data) return;
    std::vector<HTREEITEM> children = data->children;
    for (HTREEITEM c : children) DeleteSubtree(record, c);
    Notify(record, TVN_DELETEITEM, TVC_UNKNOWN, item, nullptr);
    std::vector<HTREEITEM>& siblings = SiblingsOf(item);
    siblings.erase(std::remove(siblings.begin(), siblings.end(), item), siblings.end());
    storage_.erase(std::remove_if(storage_.begin(), storage_.end(),
                                  [item](const std::unique_ptr<Item>& p) {
                                      return reinterpret_cast<HTREEITEM>(p.get()) == item;
                                  }),
                   storage_.end());
}

bool TreeModel::Delete(WindowRecord& record, HTREEITEM item) {
    HWND self = record.hwnd;
    if (item == TVI_ROOT || !item) {
        bool hadSelection = selection_ != nullptr;
        HTREEITEM old = selection_;
        if (hadSelection) {
            selection_ = nullptr;
            Notify(record, TVN_SELCHANGED, TVC_UNKNOWN, old, nullptr);
        }
        std::vector<HTREEITEM> roots = roots_;
        for (HTREEITEM r : roots) {
            WindowRecord* alive = wndsys::Find(self);
            if (!alive) return true;
            DeleteSubtree(*alive, r);
        }
        if (WindowRecord* alive = wndsys::Find(self)) CurrentHost().ControlChanged(*alive);
        return true;
    }
    if (!Get(item)) return false;
    // Deleting the selected item moves the selection to a neighbour.
    for (HTREEITEM s = selection_; s; s = Get(s) ? Get(s)->parent : nullptr) {
        if (s != item) continue;
        std::vector<HTREEITEM>& siblings = SiblingsOf(item);
        auto at = std::find(siblings.begin(), siblings.end(), item);
        HTREEITEM next = (at + 1 != siblings.end()) ? *(at + 1)
                         : (at != siblings.begin()) ? *(at - 1)
                                                     : Get(item)->parent;
        Select(record, next, TVC_UNKNOWN);
        break;
    }
    DeleteSubtree(record, item);
    if (WindowRecord* alive = wndsys::Find(self)) CurrentHost().ControlChanged(*alive);
    return true;
}

bool TreeModel::Select(WindowRecord& record, HTREEITEM item, UINT action) {
    if (item && !Get(item)) return false;
    if (item == selection_) return true;
    HWND self = record.hwnd;
    if (Notify(record, TVN_SELCHANGING, action, selection_, item)) return false;
    WindowRecord* alive = wndsys::Find(self);
    if (!alive) return false;
    HTREEITEM old = selection_;
    selection_ = item;
    CurrentHost().ControlChanged(*alive);
    Notify(*alive, TVN_SELCHANGED, action, old, item);
    return true;
}

void TreeModel::UserSelect(WindowRecord& record, HTREEITEM item) { Select(record, item, TVC_BYMOUSE); }

HTREEITEM TreeModel::Next(HTREEITEM item, UINT relation) const {
    switch (relation) {
    case TVGN_ROOT: return roots_.empty() ? nullptr : roots_.front();
    case TVGN_CARET: return selection_;
    case TVGN_CHILD: {
        if (!item || item == TVI_ROOT) return roots_.empty() ? nullptr : roots_.front();
        const Item* data = Get(item);
        return data && !data->children.empty() ? data->children.front() : nullptr;
    }
    case TVGN_PARENT: {
        const Item* data = Get(item);
        return data ? data->parent : nullptr;
    }
    case TVGN_NEXT:
    case TVGN_PREVIOUS: {
        const Item* data = Get(item);
        if (!data) return nullptr;
        const std::vector<HTREEITEM>& siblings = data->parent ? Get(data->parent)->children : roots_;
        auto at = std::find(siblings.begin(), siblings.end(), item);
        if (relation == TVGN_NEXT) return (at == siblings.end() || at + 1 == siblings.end()) ? nullptr : *(at + 1);
        return at == siblings.begin() ? nullptr : *(at - 1);
    }
    default: return nullptr;
    }
}

LRESULT TreeModel::Proc(WindowRecord& record, UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
    handled = true;
    switch (message) {
    case TVM_INSERTITEM: {
        const TVINSERTSTRUCT* insert = reinterpret_cast<const TVINSERTSTRUCT*>(lParam);
        return insert ? reinterpret_cast<LRESULT>(Insert(record, *insert)) : 0;
    }
    case TVM_DELETEITEM: return Delete(record, reinterpret_cast<HTREEITEM>(lParam)) ? TRUE : FALSE;
    case TVM_GETCOUNT: return (LRESULT)storage_.size();
    case TVM_GETNEXTITEM: return reinterpret_cast<LRESULT>(Next(reinterpret_cast<HTREEITEM>(lParam), (UINT)wParam));
    case TVM_SELECTITEM:
        if (wParam != TVGN_CARET) return FALSE;
        return Select(record, reinterpret_cast<HTREEITEM>(lParam), TVC_UNKNOWN) ? TRUE : FALSE;
    case TVM_GETITEM: {
        TVITEM* item = reinterpret_cast<TVITEM*>(lParam);
        const Item* data = item ? Get(item->hItem) : nullptr;
        if (!data) return FALSE;
        if ((item->mask & TVIF_TEXT) && item->pszText && item->cchTextMax > 0)
            CopyText(data->text, (WPARAM)item->cchTextMax, reinterpret_cast<LPARAM>(item->pszText));
        if (item->mask & TVIF_PARAM) item->lParam = data->param;
        return TRUE;
    }
    case TVM_SETITEM: {
        const TVITEM* item = reinterpret_cast<const TVITEM*>(lParam);
        Item* data = item ? const_cast<Item*>(Get(item->hItem)) : nullptr;
        if (!data) return FALSE;
        if ((item->mask & TVIF_TEXT) && item->pszText) data->text = item->pszText;
        if (item->mask & TVIF_PARAM) data->param = item->lParam;
        CurrentHost().ControlChanged(record);
        return TRUE;
    }
    default: handled = false; return 0;
    }
}

LRESULT ListViewModel::Proc(WindowRecord&, UINT message, WPARAM, LPARAM, bool& handled) {
    handled = message == LVM_GETITEMCOUNT || message == LVM_DELETEALLITEMS;
    return message == LVM_DELETEALLITEMS ? TRUE : 0;
}
