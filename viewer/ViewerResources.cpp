// The string table, menu, accelerators and dialog templates.
#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "Resource.h"
#include "wnd/icons.h"
#include "wnd/wnd.h"

namespace {

// The program icon, 32 x 32 with alpha: a teal tile with rounded corners
// holding a white ring round a grey cross-section.
std::vector<BYTE> ProgramIcon()
{
    const int size = 32;
    std::vector<BYTE> file(14 + 40 + size * size * 4, 0);
    auto put32 = [&](size_t at, uint32_t value) {
        for (int i = 0; i < 4; ++i)
            file[at + i] = BYTE(value >> (8 * i));
    };
    file[0] = 'B';
    file[1] = 'M';
    put32(2, uint32_t(file.size()));
    put32(10, 14 + 40);
    put32(14, 40);
    put32(18, size);
    put32(22, uint32_t(-size));  // top row first
    file[26] = 1;
    file[28] = 32;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            // Distances in half pixels from the centre.
            const int dx = 2 * x + 1 - size, dy = 2 * y + 1 - size;
            const int cornerX = std::max(std::abs(dx) - 20, 0), cornerY = std::max(std::abs(dy) - 20, 0);
            const bool tile = cornerX * cornerX + cornerY * cornerY <= 10 * 10;
            const int r2 = dx * dx + dy * dy;
            BYTE blue = 0x7A, green = 0x5F, red = 0x1F;
            if (r2 >= 18 * 18 && r2 <= 22 * 22)
                blue = green = red = 0xFF;
            else if (dx * dx * 4 + dy * dy * 9 <= 4 * 13 * 13)
                blue = green = red = 0xB4;
            BYTE* pixel = &file[54 + (size_t(y) * size + x) * 4];
            pixel[0] = blue;
            pixel[1] = green;
            pixel[2] = red;
            pixel[3] = tile ? 0xFF : 0;
        }
    }
    return file;
}

void RegisterStrings()
{
    RegisterStringResource(IDR_MAINFRAME, "Viewer\n\nViewer\n\n\nViewer.Document\nViewer Document");
    RegisterStringResource(AFX_IDS_APP_TITLE, "Viewer");
    RegisterStringResource(AFX_IDS_IDLEMESSAGE, "就绪");
    RegisterStringResource(ID_FILE_NEW, "建立新文档\n新建");
    RegisterStringResource(ID_FILE_OPEN, "打开一个现有文档\n打开");
    RegisterStringResource(ID_FILE_CLOSE, "关闭活动文档\n关闭");
    RegisterStringResource(ID_FILE_SAVE, "保存活动文档\n保存");
    RegisterStringResource(ID_FILE_SAVE_AS, "将活动文档以一个新文件名保存\n另存为");
    RegisterStringResource(ID_APP_ABOUT, "显示程序信息，版本号和版权\n关于");
    RegisterStringResource(ID_APP_EXIT, "退出应用程序；提示保存文档\n退出");
    RegisterStringResource(ID_NEXT_PANE, "切换到下一个窗格\n下一窗格");
    RegisterStringResource(ID_PREV_PANE, "切换回前一个窗格\n前一窗格");
    RegisterStringResource(ID_EDIT_COPY, "复制被选对象并将其置于剪贴板上\n复制");
    RegisterStringResource(ID_EDIT_CUT, "剪切被选对象并将其置于剪贴板上\n剪切");
    RegisterStringResource(ID_EDIT_PASTE, "插入剪贴板内容\n粘贴");
    RegisterStringResource(ID_EDIT_UNDO, "撤消最后一步操作\n撤消");
}

void RegisterMenu()
{
    RegisterMenuResource(IDR_MAINFRAME,
        {{"文件(&F)", 0, MF_POPUP,
          {{"打开(&O)...\tCtrl+O", ID_FILE_OPEN, MF_STRING, {}},
           {"另存为(&S)...", ID_FILE_SAVE_AS, MF_STRING, {}},
           {"全部另存为(&A)...", ID_FILE_SAVE_ALL, MF_STRING, {}},
           {"", 0, MF_SEPARATOR, {}},
           {"退出(&X)", ID_APP_EXIT, MF_STRING, {}}}},
         {"操作(&O)", 0, MF_POPUP,
          {{"缩放(&Zoom)", ID_OPERATION_ZOOM, MF_STRING, {}},
           {"拖移(&Move)", ID_OPERATION_MOVE, MF_STRING, {}},
           {"转左(&Left)", ID_OPERATION_LEFT, MF_STRING, {}},
           {"转右(&Right)", ID_OPERATION_RIGHT, MF_STRING, {}},
           {"镜像(Mirr&or)", ID_OPERATION_MIRROR, MF_STRING, {}},
           {"反色(Rever&se)", ID_OPERATION_INVERT, MF_STRING, {}},
           {"复原(Rese&t)", ID_OPERATION_RESET, MF_STRING, {}}}},
         {"帮助(&H)", 0, MF_POPUP,
          {{"操作说明 (&H)", ID_HELP_USAGE, MF_STRING, {}},
           {"关于 Viewer(&A)...", ID_APP_ABOUT, MF_STRING, {}}}}});
}

void RegisterAccelerators()
{
    const BYTE key = FVIRTKEY;
    RegisterAcceleratorResource(IDR_MAINFRAME,
        {{key | FCONTROL, 'N', ID_FILE_NEW},
         {key | FCONTROL, 'O', ID_FILE_OPEN},
         {key | FCONTROL, 'S', ID_FILE_SAVE},
         {key | FCONTROL, 'Z', ID_EDIT_UNDO},
         {key | FALT, VK_BACK, ID_EDIT_UNDO},
         {key | FCONTROL, 'X', ID_EDIT_CUT},
         {key | FSHIFT, VK_DELETE, ID_EDIT_CUT},
         {key | FCONTROL, 'C', ID_EDIT_COPY},
         {key | FCONTROL, VK_INSERT, ID_EDIT_COPY},
         {key | FCONTROL, 'V', ID_EDIT_PASTE},
         {key | FSHIFT, VK_INSERT, ID_EDIT_PASTE},
         {key, VK_F6, ID_NEXT_PANE},
         {key | FSHIFT, VK_F6, ID_PREV_PANE}});
}

DialogItemTemplate Item(const char* className, const char* text, int id, int x, int y, int cx, int cy, DWORD style)
{
    DialogItemTemplate item;
    item.className = className;
    item.text = text;
    item.id = id;
    item.x = x;
    item.y = y;
    item.cx = cx;
    item.cy = cy;
    item.style = WS_CHILD | WS_VISIBLE | style;
    return item;
}

void RegisterAboutBox()
{
    DialogTemplate about;
    about.caption = "关于 DICOM Viewer";
    about.cx = 235;
    about.cy = 95;
    about.items = {
        Item("STATIC", ("#" + std::to_string(IDR_MAINFRAME)).c_str(), IDC_STATIC, 11, 17, 20, 20, SS_ICON),
        Item("STATIC", "DICOM Viewer 1.0.1.0 版", IDC_STATIC, 40, 10, 180, 8, SS_LEFT),
        Item("STATIC", "版权所有 (C) Norvane，保留所有权利", IDC_STATIC, 40, 25, 180, 8, SS_LEFT),
        Item("STATIC", "Norvane 医学影像实验室", IDC_STATIC, 40, 40, 180, 8, SS_LEFT),
        Item("STATIC", "联系：support@norvane.example", IDC_STATIC, 40, 55, 180, 8, SS_LEFT),
        Item("BUTTON", "确定", IDOK, 178, 74, 50, 14, WS_GROUP | WS_TABSTOP | BS_DEFPUSHBUTTON),
    };
    RegisterDialogResource(IDD_ABOUTBOX, about);
}

void RegisterSaveParamDialog()
{
    DialogTemplate dialog;
    dialog.caption = "图像保存参数";
    dialog.cx = 299;
    dialog.cy = 157;
    dialog.face = "宋体";
    dialog.pointSize = 9;
    dialog.items = {
        Item("STATIC", "保存目录：", IDC_STATIC, 10, 14, 50, 8, SS_LEFT),
        Item("EDIT", "", IDC_SAVE_FOLDER, 62, 11, 180, 14, ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP),
        Item("BUTTON", "浏览", IDC_BROWSE, 248, 11, 40, 14, BS_PUSHBUTTON | WS_TABSTOP),
        Item("STATIC", "图片保存类型后缀：", IDC_STATIC, 10, 38, 80, 8, SS_LEFT),
        Item("COMBOBOX", "", IDC_SUFFIX, 92, 35, 80, 60,
             CBS_DROPDOWN | CBS_SORT | WS_VSCROLL | WS_TABSTOP),
        Item("STATIC", "文件名命名方式：", IDC_STATIC, 10, 60, 80, 8, SS_LEFT),
        Item("BUTTON", "源文件名.图片保存类型后缀", IDC_NAME_BY_SOURCE, 20, 74, 260, 10,
             BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP),
        Item("BUTTON", "StudyInstanceUID_SeriesNumber_ImageNumber.图片保存类型后缀", IDC_NAME_BY_UID, 20, 88,
             270, 10, BS_AUTORADIOBUTTON),
        Item("BUTTON", "保存图片信息", IDC_SAVE_INFO, 10, 108, 100, 10, BS_AUTOCHECKBOX | WS_GROUP | WS_TABSTOP),
        Item("BUTTON", "开始保存", IDOK, 150, 132, 60, 16, BS_DEFPUSHBUTTON | WS_GROUP | WS_TABSTOP),
        Item("BUTTON", "取消保存", IDCANCEL, 224, 132, 60, 16, BS_PUSHBUTTON | WS_TABSTOP),
    };
    RegisterDialogResource(IDD_SAVE_PARAM, dialog);
}

const ResourceRegistration registration([] {
    RegisterStrings();
    RegisterIconResource(IDR_MAINFRAME, ProgramIcon());
    RegisterMenu();
    RegisterAccelerators();
    RegisterAboutBox();
    RegisterSaveParamDialog();
});

}  // namespace
