#include "ViewerDoc.h"

IMPLEMENT_DYNCREATE(CViewerDoc, CDocument)

BEGIN_MESSAGE_MAP(CViewerDoc, CDocument)
    ON_COMMAND(ID_FILE_SAVE, OnFileSave)
END_MESSAGE_MAP()

BOOL CViewerDoc::OnNewDocument() { return CDocument::OnNewDocument(); }

BOOL CViewerDoc::OnOpenDocument(LPCTSTR lpszPathName) { return CDocument::OnOpenDocument(lpszPathName); }

void CViewerDoc::Serialize(CArchive&) {}
