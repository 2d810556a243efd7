// Command targets and message maps: the tables that bind window messages,
// commands, update requests and notifications to member functions.
#pragma once

#include "wnd/framework_base.h"
#include "wnd/winuser.h"

class CCmdTarget;
class CCmdUI;
class CMenu;
class CWnd;

// Command codes passed to OnCmdMsg
#define CN_COMMAND 0
#define CN_UPDATE_COMMAND_UI ((UINT)(-1))

struct AFX_CMDHANDLERINFO {
    CCmdTarget* pTarget;
};

struct AFX_NOTIFY {
    LRESULT* pResult;
    NMHDR* pNMHDR;
};

// What a handler thunk needs to call a member with the right arguments.
struct AfxCall {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    UINT id;
    void* extra;
};
typedef LRESULT (*AFX_THUNK)(CCmdTarget* target, const AfxCall& call);

enum AfxEntryKind : UINT { AfxKind_end = 0, AfxKind_message, AfxKind_command, AfxKind_update, AfxKind_notify };

struct AFX_MSGMAP_ENTRY {
    UINT nMessage;
    UINT nCode;
    UINT nID;
    UINT nLastID;
    UINT nKind;
    AFX_THUNK pfn;
};

struct AFX_MSGMAP {
    const AFX_MSGMAP* (*pfnGetBaseMap)();
    const AFX_MSGMAP_ENTRY* lpEntries;
};

// Only classes below CCmdTarget declare a map, so the accessor overrides.
#define DECLARE_MESSAGE_MAP()                                \
protected:                                                   \
    static const AFX_MSGMAP* GetThisMessageMap();            \
    const AFX_MSGMAP* GetMessageMap() const override;        \
                                                             \
private:

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                               \
    const AFX_MSGMAP* theClass::GetMessageMap() const { return GetThisMessageMap(); }       \
    const AFX_MSGMAP* theClass::GetThisMessageMap() {                                        \
        using ThisClass [[maybe_unused]] = theClass;                                         \
        using TheBaseClass = baseClass;                                                      \
        static const AFX_MSGMAP_ENTRY _messageEntries[] = {
#define END_MESSAGE_MAP()                                                                    \
        {0, 0, 0, 0, AfxKind_end, nullptr}};                                                 \
        static const AFX_MSGMAP messageMap = {&TheBaseClass::GetThisMessageMap, &_messageEntries[0]}; \
        return &messageMap;                                                                  \
    }

// Finds the first entry of a map chain matching a message (and for
// commands and notifications the code and id).
const AFX_MSGMAP_ENTRY* AfxFindMessageEntry(const AFX_MSGMAP* map, UINT message, UINT code, UINT id);

class CCmdTarget : public CObject {
    DECLARE_DYNAMIC(CCmdTarget)
public:
    CCmdTarget() = default;
    virtual ~CCmdTarget() = default;

    // Routes a command, update request or notification to this target's
    // map; returns TRUE when a handler took it.
    virtual BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo);

    void BeginWaitCursor() {}
    void EndWaitCursor() {}

protected:
    static const AFX_MSGMAP* GetThisMessageMap();
    virtual const AFX_MSGMAP* GetMessageMap() const;
};

// Lets a handler enable, check or rename a menu item, control or button
// before it is shown or its command is run.
class CCmdUI {
public:
    UINT m_nID = 0;
    UINT m_nIndex = 0;
    CMenu* m_pMenu = nullptr;
    CMenu* m_pSubMenu = nullptr;
    CWnd* m_pOther = nullptr;
    BOOL m_bEnableChanged = FALSE;
    BOOL m_bContinueRouting = FALSE;
    UINT m_nIndexMax = 0;

    virtual ~CCmdUI() = default;
    virtual void Enable(BOOL bOn = TRUE);
    virtual void SetCheck(int nCheck = 1);
    virtual void SetRadio(BOOL bOn = TRUE);
    virtual void SetText(LPCTSTR lpszText);
    void ContinueRouting() { m_bContinueRouting = TRUE; }

    // Asks the target; with no update handler, disables the item when
    // nothing handles its command either.
    BOOL DoUpdate(CCmdTarget* pTarget, BOOL bDisableIfNoHandler);
};

// A CCmdUI that only records the answers (for accelerators and tests).
class CTestCmdUI : public CCmdUI {
public:
    BOOL m_bEnabled = TRUE;
    int m_nCheck = -1;
    void Enable(BOOL bOn) override;
    void SetCheck(int nCheck) override;
    void SetRadio(BOOL bOn) override;
    void SetText(LPCTSTR) override {}
};
