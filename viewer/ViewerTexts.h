// The program's own texts.
#pragma once

inline constexpr char kTextTitle[] = "DICOM浏览器";
inline constexpr char kTextOpenFailed[] = "打开文件失败";
inline constexpr char kTextOpenFilter[] = "图片文件|*.*|";
inline constexpr char kTextProgress[] = "进度:%d/%d 失败数:%d";
inline constexpr char kTextChooseFolder[] = "请选择保存目录";
inline constexpr char kTextNeedFolder[] = "请输入将要保存图像的目录路径";
inline constexpr char kTextNeedSuffix[] = "请输入将要保存的图像类型后缀";
inline constexpr char kTextFolderFailed[] = "创建保存目录失败，请确认输入的图像目录路径合法";
inline constexpr char kTextBannerTitle[] = "DICOM影像浏览器(1.0.1.0)";
inline constexpr char kTextBannerAuthor[] = "作者：Norvane 影像组";
inline constexpr char kTextBannerContact[] = "联系：support@norvane.example";
inline constexpr char kTextBannerWelcome[] = "欢迎您向我们提建议！";
