// The document: it holds nothing and only carries a path to the image pane.
#pragma once

#include "wnd/wnd.h"

class CViewerDoc : public CDocument {
    DECLARE_DYNCREATE(CViewerDoc)
public:
    CViewerDoc() = default;

    BOOL OnNewDocument() override;
    BOOL OnOpenDocument(LPCTSTR lpszPathName) override;
    void Serialize(CArchive& ar) override;

protected:
    // The opened file is an image, never this document's content: saving
    // must leave it untouched.
    void OnFileSave() {}
    DECLARE_MESSAGE_MAP()
};
