#include "ScaleRuler.h"

#include <climits>

void DrawScaleRuler(CDC* dc, int x, int y, int length, float scale, float spacing)
{
    if (dc == nullptr || spacing == 0.0f)
        return;
    const double step = 10.0 / spacing * scale;
    // A non-finite, negative or sub-pixel step draws nothing; a step wider
    // than any window still converts to int without overflow.
    if (!(step >= 1.0))
        return;
    const int s = step >= INT_MAX ? INT_MAX : static_cast<int>(step);
    const int n = length / s;
    const int rest = length % s;

    CPen pen(PS_SOLID, 1, RGB(200, 200, 200));
    CPen* previous = dc->SelectObject(&pen);
    dc->MoveTo(x, y);
    dc->LineTo(x, y + length - rest);
    int yy = y;
    for (int i = 0; i < n; ++i) {
        yy = y + i * s;
        dc->MoveTo(x, yy);
        dc->LineTo(x - 9, yy);
        dc->MoveTo(x, yy + s / 2);
        dc->LineTo(x - 4, yy + s / 2);
    }
    yy = y + n * s;
    dc->MoveTo(x, yy);
    dc->LineTo(x - 9, yy);
    dc->SelectObject(previous);

    CString label;
    label.Format("%d cm", n);
    dc->SetTextAlign(TA_RIGHT);
    dc->TextOut(x + 15, yy + 5, label);
    dc->SelectStockObject(BLACK_PEN);
}
