// Names, layouts and pixel formulas of the DICOM files that the generator in
// tools/testdata writes into TESTDATA_DIR. The generator includes this header
// too, so a formula here is exactly what was written.
//
// Pixel values are the stored values (before rescale), x counted from the left
// column, y from the top row, f the frame (0-based), c the sample (0 = R or Y).
#pragma once

#include <cstdint>
#include <string>

namespace testdata {

// ---------------------------------------------------------------- formulas

inline int Ramp8(int x, int y, int f) { return (x * 3 + y * 5 + f * 17) & 0xFF; }
inline int Ramp8Signed(int x, int y, int f) { int v = Ramp8(x, y, f); return v >= 128 ? v - 256 : v; }
inline int Ramp12(int x, int y, int f) { return (x * 37 + y * 59 + f * 101) & 0x0FFF; }
inline int Ramp12Signed(int x, int y, int f) { return Ramp12(x, y, f) - 2048; }
inline int Ramp16(int x, int y, int f) { return (x * 251 + y * 509 + f * 1021) & 0xFFFF; }
inline int Ramp16Signed(int x, int y, int f) { int v = Ramp16(x, y, f); return v >= 32768 ? v - 65536 : v; }

// Flat 16x16 blocks: every 8x8 DCT block is constant, so lossy JPEG keeps the
// values within a small tolerance.
inline int BlockIndex(int x, int y, int f) { return (x / 16 + 2 * (y / 16) + f) % 8; }
inline int Blocks8(int x, int y, int f) { return 32 + 24 * BlockIndex(x, y, f); }     // 32..200
inline int Blocks12(int x, int y, int f) { return 256 + 480 * BlockIndex(x, y, f); }  // 256..3616

inline int RgbRamp(int x, int y, int f, int c) {
  switch (c) {
    case 0: return (x * 4 + f * 32) & 0xFF;
    case 1: return (y * 4 + f * 16) & 0xFF;
    default: return ((x + y) * 2 + 64) & 0xFF;
  }
}
inline int RgbBlocks(int x, int y, int f, int c) {
  switch (c) {
    case 0: return 40 + 60 * ((x / 16 + f) % 4);
    case 1: return 40 + 60 * ((y / 16) % 4);
    default: return 220 - 50 * ((x / 16 + y / 16) % 4);
  }
}
// Stored Y, Cb, Cr of the YBR_FULL files; chosen so that the RGB result of the
// standard conversion stays inside 0..255.
inline int Ybr(int x, int y, int f, int c) {
  switch (c) {
    case 0: return 64 + (x * 2 + y + f * 8) % 128;
    case 1: return 128 + ((y % 16) - 8) * 4;
    default: return 128 + ((x % 16) - 8) * 4;
  }
}
// The 16x16 8-bit picture inside the Icon Image Sequence.
inline int Icon8(int x, int y) { return 255 - ((x * 8 + y * 4) & 0xFF); }

// CT-like phantom in Hounsfield units on a square image of n x n pixels, n <= 512.
// Shapes are ellipses in thousandths of the half width (y down), evaluated in
// integers so that every build computes the same value.
struct PhantomEllipse { int cx, cy, a, b; };
inline bool PhantomInside(int x, int y, int n, PhantomEllipse e) {
  const int64_t dx = int64_t(2 * x + 1 - n) * 1000 - int64_t(e.cx) * n;
  const int64_t dy = int64_t(2 * y + 1 - n) * 1000 - int64_t(e.cy) * n;
  const int64_t r = int64_t(e.a) * e.b * n;
  return (dx * e.b) * (dx * e.b) + (dy * e.a) * (dy * e.a) <= r * r;
}
constexpr int kHuAir = -1000, kHuBone = 1000, kHuLung = -800, kHuWater = 0;
constexpr int kHuSoftTissue = 60, kHuSpine = 700, kHuContrast = 300, kHuFat = -100, kHuGrowing = 120;
inline int PhantomLungHalfHeight(int slice) { return 300 + 10 * slice; }
inline int PhantomGrowingRadius(int slice) { return 30 + 10 * slice; }
inline int PhantomHu(int x, int y, int slice, int n) {
  if (!PhantomInside(x, y, n, {0, 0, 900, 700})) return kHuAir;
  if (!PhantomInside(x, y, n, {0, 0, 850, 650})) return kHuBone;
  const int lungB = PhantomLungHalfHeight(slice);
  if (PhantomInside(x, y, n, {-380, -50, 250, lungB}) || PhantomInside(x, y, n, {380, -50, 250, lungB}))
    return kHuLung;
  if (PhantomInside(x, y, n, {0, -450, 80, 80})) return kHuSoftTissue;
  if (PhantomInside(x, y, n, {0, 480, 100, 100})) return kHuSpine;
  if (PhantomInside(x, y, n, {0, 250, 70, 70})) return kHuContrast;
  if (PhantomInside(x, y, n, {0, 0, 60, 60})) return kHuFat;
  const int r = PhantomGrowingRadius(slice);
  if (PhantomInside(x, y, n, {0, -200, r, r})) return kHuGrowing;
  return kHuWater;
}

// ---------------------------------------------------------------- files

enum class Pattern {
  Ramp8, Ramp8Signed, Ramp12, Ramp12Signed, Ramp16, Ramp16Signed, Blocks8, Blocks12,
  RgbRamp, RgbBlocks, Ybr,
  CtPhantom,        // stored = HU + 1024 (rescale intercept -1024, slope 1)
  CtPhantomSlope2,  // stored = (HU + 1024) / 2 (rescale intercept -1024, slope 2)
  None              // no pixels to check (broken files, palette file)
};

inline int StoredValue(Pattern p, int x, int y, int f, int c, int columns) {
  switch (p) {
    case Pattern::Ramp8: return Ramp8(x, y, f);
    case Pattern::Ramp8Signed: return Ramp8Signed(x, y, f);
    case Pattern::Ramp12: return Ramp12(x, y, f);
    case Pattern::Ramp12Signed: return Ramp12Signed(x, y, f);
    case Pattern::Ramp16: return Ramp16(x, y, f);
    case Pattern::Ramp16Signed: return Ramp16Signed(x, y, f);
    case Pattern::Blocks8: return Blocks8(x, y, f);
    case Pattern::Blocks12: return Blocks12(x, y, f);
    case Pattern::RgbRamp: return RgbRamp(x, y, f, c);
    case Pattern::RgbBlocks: return RgbBlocks(x, y, f, c);
    case Pattern::Ybr: return Ybr(x, y, f, c);
    case Pattern::CtPhantom: return PhantomHu(x, y, f, columns) + 1024;
    case Pattern::CtPhantomSlope2: return (PhantomHu(x, y, f, columns) + 1024) / 2;
    case Pattern::None: break;
  }
  return 0;
}

// Transfer syntax UIDs.
inline constexpr char kImplicitLE[] = "1.2.840.10008.1.2";
inline constexpr char kExplicitLE[] = "1.2.840.10008.1.2.1";
inline constexpr char kExplicitBE[] = "1.2.840.10008.1.2.2";
inline constexpr char kDeflatedLE[] = "1.2.840.10008.1.2.1.99";
inline constexpr char kJpegBaseline[] = "1.2.840.10008.1.2.4.50";
inline constexpr char kJpegExtended[] = "1.2.840.10008.1.2.4.51";
inline constexpr char kJpegLosslessSV1[] = "1.2.840.10008.1.2.4.70";
inline constexpr char kRle[] = "1.2.840.10008.1.2.5";

// Grey, explicit VR little endian.
inline constexpr char kMono2U8[] = "mono2_u8_64x60.dcm";            // OT, window 100/150
inline constexpr char kMono2U8NoWindow[] = "mono2_u8_nowin_64x60.dcm";
inline constexpr char kMono2S8[] = "mono2_s8_64x60.dcm";
inline constexpr char kMono2U12[] = "mono2_u12_64x64.dcm";          // MR, 12 in 16, window 2048/4096
inline constexpr char kMono2S12[] = "mono2_s12_64x64.dcm";          // 12 in 16 signed, sign-extended
inline constexpr char kMono2U16[] = "mono2_u16_64x64.dcm";          // window 30000/20000
inline constexpr char kMono2U16NoWindow[] = "mono2_u16_nowin_64x64.dcm";
inline constexpr char kMono2S16[] = "mono2_s16_64x64.dcm";          // window 0/40000
inline constexpr char kMono1U8[] = "mono1_u8_64x60.dcm";            // CR, Imager Pixel Spacing only
inline constexpr char kMono1U12[] = "mono1_u12_64x64.dcm";          // DX
// Sizes that are not multiples of 4.
inline constexpr char kMono2U8Odd[] = "mono2_u8_61x47.dcm";
inline constexpr char kMono2U8Wide[] = "mono2_u8_510x3.dcm";
inline constexpr char kMono2U16OddColumns[] = "mono2_u16_63x64.dcm";
inline constexpr char kMono2U8OddRows[] = "mono2_u8_64x62.dcm";
// CT phantom slice (slice 0), 12 in 16 unsigned.
inline constexpr char kCtRescale[] = "ct_rescale_64x64.dcm";        // intercept -1024 slope 1, window "40\400" / "400\1500"
inline constexpr char kCtSlope2[] = "ct_slope2_64x64.dcm";          // intercept -1024 slope 2, window 40/400
inline constexpr char kMono2U16Rescale[] = "mono2_u16_rescale_64x64.dcm"; // Ramp16 unsigned (values above 32767), intercept -1000 slope 1
inline constexpr char kCtScout[] = "ct_scout_64x64.dcm";            // institution and scan options of the scout window rule
// Colour.
inline constexpr char kRgbPlanar0[] = "rgb_p0_64x48.dcm";
inline constexpr char kRgbPlanar1[] = "rgb_p1_64x48.dcm";
inline constexpr char kRgbPlanar0Odd[] = "rgb_p0_61x47.dcm";
inline constexpr char kRgbPlanar1Odd[] = "rgb_p1_61x47.dcm";
inline constexpr char kYbrFullPlanar0[] = "ybr_full_p0_64x48.dcm";
inline constexpr char kYbrFullPlanar1[] = "ybr_full_p1_64x48.dcm";
// Multi-frame.
inline constexpr char kMultiFrameTime[] = "mf_u8_64x64x8_frametime.dcm";     // Frame Time 40
inline constexpr char kMultiFrameVector[] = "mf_u16_32x32x5_ftv.dcm";         // Frame Time Vector
inline constexpr char kMultiFrameRgb[] = "mf_rgb_64x48x6.dcm";                // US, Frame Time 33.3
// Transfer syntaxes.
inline constexpr char kTsImplicitLE[] = "ts_implicit_le_u16_64x64.dcm";
inline constexpr char kTsExplicitLE[] = "ts_explicit_le_u16_64x64.dcm";
inline constexpr char kTsExplicitBE[] = "ts_explicit_be_u16_64x64.dcm";
inline constexpr char kTsExplicitBERgb[] = "ts_explicit_be_rgb_64x48.dcm";
inline constexpr char kTsDeflated[] = "ts_deflated_u16_64x64.dcm";
inline constexpr char kTsJpegBaseline[] = "ts_jpeg_baseline_u8_64x64.dcm";
inline constexpr char kTsJpegBaselineRgb[] = "ts_jpeg_baseline_rgb_64x48.dcm";
inline constexpr char kTsJpegBaselineMultiFrame[] = "ts_jpeg_baseline_u8_64x64x4.dcm";
inline constexpr char kTsJpegExtended[] = "ts_jpeg_extended_u12_64x64.dcm";
inline constexpr char kTsJpegLossless[] = "ts_jpeg_lossless_u16_64x64.dcm";
inline constexpr char kTsJpegLosslessRgb[] = "ts_jpeg_lossless_rgb_64x48.dcm";
inline constexpr char kTsRleU8[] = "ts_rle_u8_64x60.dcm";
inline constexpr char kTsRleU16[] = "ts_rle_u16_64x64.dcm";
inline constexpr char kTsRleRgb[] = "ts_rle_rgb_64x48.dcm";
inline constexpr char kTsRleMultiFrameRgb[] = "ts_rle_rgb_64x48x6.dcm";
// Pixel spacing (Ramp8, 64 x 64).
inline constexpr char kSpacingSquare[] = "spacing_square_64x64.dcm";        // 0.7\0.7
inline constexpr char kSpacingNonSquare[] = "spacing_nonsquare_64x64.dcm";  // 1.25\0.8
inline constexpr char kSpacingAbsent[] = "spacing_absent_64x64.dcm";
inline constexpr char kSpacingImager[] = "spacing_imager_64x64.dcm";        // (0018,1164) 0.15\0.2 only
inline constexpr char kSpacingBoth[] = "spacing_both_64x64.dcm";            // (0018,1164) 0.15\0.15 and (0028,0030) 0.3\0.3
// Image Orientation (Patient) (Ramp8, 64 x 64).
inline constexpr char kOrientAxial[] = "orient_axial_64x64.dcm";            // 1\0\0\0\1\0
inline constexpr char kOrientAxialReversed[] = "orient_axial_rev_64x64.dcm";// -1\0\0\0\-1\0
inline constexpr char kOrientCoronal[] = "orient_coronal_64x64.dcm";        // 1\0\0\0\0\-1
inline constexpr char kOrientSagittal[] = "orient_sagittal_64x64.dcm";      // 0\1\0\0\0\-1
inline constexpr char kOrientOblique[] = "orient_oblique_64x64.dcm";        // 0.866025\0.5\0\-0.5\0.866025\0
inline constexpr char kOrientNone[] = "orient_none_64x64.dcm";              // Patient Orientation L\P only
// Overlays.
inline constexpr char kOverlayLine[] = "overlay_line_64x64.dcm";   // (6061,0030) = kOverlayLineBlob
inline constexpr char kOverlayAll[] = "overlay_all_64x64.dcm";     // (6061,0030) = kOverlayAllBlob
inline constexpr char kOverlayPlane[] = "overlay_plane_64x64.dcm"; // group 6000 bit plane: border of the image
// Texts and modalities.
inline constexpr char kTextUtf8[] = "text_utf8_mr_64x64.dcm";      // ISO_IR 192, kNameUtf8
inline constexpr char kTextGb18030[] = "text_gb18030_ct_64x64.dcm";// GB18030, kNameGb18030Utf8
inline constexpr char kMrPrivateList[] = "mr_private_64x64.dcm";   // (0051,1010) = kPrivateList
// Other attributes.
inline constexpr char kIcon[] = "icon_u16_64x64.dcm";              // Icon Image Sequence 16x16 8-bit (Icon8)
inline constexpr char kPalette[] = "palette_u8_64x64.dcm";         // PALETTE COLOR, 16-bit entries
inline constexpr char kVoiLut[] = "voilut_u16_64x64.dcm";          // VOI LUT Sequence, no window
inline constexpr char kNoMeta[] = "nometa_u16_64x64.dcm";          // bare data set, implicit VR LE, no preamble
// Broken files.
inline constexpr char kTruncatedPixels[] = "bad_truncated_pixels.dcm";  // mono2_u16_64x64 cut inside the pixel data
inline constexpr char kTruncatedHeader[] = "bad_truncated_header.dcm";  // cut inside the meta header
inline constexpr char kShortPixels[] = "bad_short_pixels.dcm";          // 64x64 16-bit claimed, 2048 pixels stored
inline constexpr char kShortFrames[] = "bad_short_frames.dcm";          // 4 frames of 32x32 8-bit claimed, 2.5 stored
inline constexpr char kEmpty[] = "bad_empty.dcm";                       // 0 bytes
inline constexpr char kNotDicom[] = "bad_not_dicom.dcm";                // a line of text
// Subtraction runs: the DICOM file and the folder of JPEG frames beside it
// (the folder name is the file name without its ".dcm").
inline constexpr char kDsaGrey[] = "run_dsa.dcm";                  // folder run_dsa/: 4 grey 64x64 JPEGs, Blocks8 of frame f
inline constexpr char kDsaGreyFolder[] = "run_dsa";
inline constexpr char kDsaRgb[] = "rgb_dsa.dcm";                   // folder rgb_dsa/: 3 colour 64x48 JPEGs, RgbBlocks
inline constexpr char kDsaRgbFolder[] = "rgb_dsa";
constexpr int kDsaGreyFrames = 4, kDsaRgbFrames = 3;
// JPEG frame file name: frame index f from 0 gives "frame01.jpg", ...
inline std::string DsaFrameName(int f) { return "frame0" + std::to_string(f + 1) + ".jpg"; }

// DICOMDIR media folder: TESTDATA_DIR/media/DICOMDIR with the files below
// (relative to media/, as the DICOMDIR's Referenced File IDs name them with '\').
inline constexpr char kMediaFolder[] = "media";
inline constexpr char kMediaDicomdir[] = "media/DICOMDIR";
inline constexpr const char* kMediaFiles[] = {
    "PAT1/STUDY1/SERIES1/IM1", "PAT1/STUDY1/SERIES1/IM2", "PAT1/STUDY1/SERIES1/IM3",
    "PAT1/STUDY1/SERIES2/IM1", "PAT2/STUDY1/SERIES1/IM1"};
// Media files: PAT1 SERIES1 = CT phantom slices 0..2 at 64x64 (CtPhantom, frame = slice),
// PAT1 SERIES2 = MR Ramp12, PAT2 = CR MONOCHROME1 Ramp8.

// Sample study (SAMPLE_STUDY_DIR): kSampleSlices files "ct_phantom_001.dcm", ...
// 256x256, 16-bit signed, stored = PhantomHu(x, y, slice, 256) + 1024, rescale -1024/1.
constexpr int kSampleSlices = 12, kSampleSize = 256;
inline std::string SampleSliceName(int slice) {
  std::string n = std::to_string(slice + 1);
  return "ct_phantom_" + std::string(3 - n.size(), '0') + n + ".dcm";
}

// ---------------------------------------------------------------- attributes

// Overlay record blobs (16-bit little-endian words).
inline constexpr int16_t kOverlayLineBlob[] = {5, 10, 12, 50, 40};
inline constexpr int16_t kOverlayAllBlob[] = {
    1, 4, 4, 20, 16,                  // rectangle
    2, 30, 4, 60, 20,                 // ellipse
    3, 3, 5, 30, 20, 50, 8, 60,       // polygon of 3 vertices
    4, 40, 40,                        // point
    5, 10, 12, 50, 40,                // line
    6, 12, 50, 52, 58,                // arrow
    7, 30, 30, 40, 45, 55, 35,        // angle
    9, 5, 58, 2, 'O', 'K'};           // text "OK"

inline constexpr char kNameUtf8[] = "王^小明";                 // stored as UTF-8 under ISO_IR 192
inline constexpr char kNameGb18030Utf8[] = "李^四";            // stored as GB18030 bytes C0 EE 5E CB C4
inline constexpr char kNameGb18030Bytes[] = "\xC0\xEE^\xCB\xC4";

// (0051,1010) private list of the MR file: 27 components C00..C26 joined by
// backslashes, with leading characters where the reader drops some.
inline constexpr char kPrivateList[] =
    "C00\\C01\\C02\\C03\\-C04\\C05\\ABCDEFC06\\C07\\--C08\\C09\\  C10\\ C11\\C12\\C13\\C14\\"
    "-----C15\\C16\\C17\\C18\\   C19\\----C20\\--------C21\\C22\\C23\\C24\\C25\\C26";

// Further private texts of the MR file (each under the creator "TESTDATA PRIVATE").
inline constexpr char kPrivate00111010[] = "PRIV 11 1010";
inline constexpr char kPrivate00211011[] = "PRIV 21 1011";
inline constexpr char kPrivate00211120[] = "PRIV 21 1120";
inline constexpr char kPrivate00191354[] = "12.5";

// ---------------------------------------------------------------- table

struct Image {
  const char* name;
  int columns, rows, frames, samples, bitsAllocated, bitsStored, pixelRepresentation;
  const char* photometric;  // as stored in the file
  int planar;               // -1 when absent
  Pattern pattern;
  int tolerance;            // largest difference after decoding (lossy JPEG), 0 = exact
  const char* transferSyntax;
};

// Every readable image file with pixels to check. Frames of a single-frame file: 1.
inline const Image kImages[] = {
    {kMono2U8, 64, 60, 1, 1, 8, 8, 0, "MONOCHROME2", -1, Pattern::Ramp8, 0, kExplicitLE},
    {kMono2U8NoWindow, 64, 60, 1, 1, 8, 8, 0, "MONOCHROME2", -1, Pattern::Ramp8, 0, kExplicitLE},
    {kMono2S8, 64, 60, 1, 1, 8, 8, 1, "MONOCHROME2", -1, Pattern::Ramp8Signed, 0, kExplicitLE},
    {kMono2U12, 64, 64, 1, 1, 16, 12, 0, "MONOCHROME2", -1, Pattern::Ramp12, 0, kExplicitLE},
    {kMono2S12, 64, 64, 1, 1, 16, 12, 1, "MONOCHROME2", -1, Pattern::Ramp12Signed, 0, kExplicitLE},
    {kMono2U16, 64, 64, 1, 1, 16, 16, 0, "MONOCHROME2", -1, Pattern::Ramp16, 0, kExplicitLE},
    {kMono2U16NoWindow, 64, 64, 1, 1, 16, 16, 0, "MONOCHROME2", -1, Pattern::Ramp16, 0, kExplicitLE},
    {kMono2S16, 64, 64, 1, 1, 16, 16, 1, "MONOCHROME2", -1, Pattern::Ramp16Signed, 0, kExplicitLE},
    {kMono1U8, 64, 60, 1, 1, 8, 8, 0, "MONOCHROME1", -1, Pattern::Ramp8, 0, kExplicitLE},
    {kMono1U12, 64, 64, 1, 1, 16, 12, 0, "MONOCHROME1", -1, Pattern::Ramp12, 0, kExplicitLE},
    {kMono2U8Odd, 61, 47, 1, 1, 8, 8, 0, "MONOCHROME2", -1, Pattern::Ramp8, 0, kExplicitLE},
    {kMono2U8Wide, 510, 3, 1, 1, 8, 8, 0, "MONOCHROME2", -1, Pattern::Ramp8, 0, kExplicitLE},
    {kMono2U16OddColumns, 63, 64, 1, 1, 16, 16, 0, "MONOCHROME2", -1, Pattern::Ramp16, 0, kExplicitLE},
    {kMono2U8OddRows, 64, 62, 1, 1, 8, 8, 0, "MONOCHROME2", -1, Pattern::Ramp8, 0, kExplicitLE},
    {kCtRescale, 64, 64, 1, 1, 16, 12, 0, "MONOCHROME2", -1, Pattern::CtPhantom, 0, kExplicitLE},
    {kCtSlope2, 64, 64, 1, 1, 16, 12, 0, "MONOCHROME2", -1, Pattern::CtPhantomSlope2, 0, kExplicitLE},
    {kMono2U16Rescale, 64, 64, 1, 1, 16, 16, 0, "MONOCHROME2", -1, Pattern::Ramp16, 0, kExplicitLE},
    {kCtScout, 64, 64, 1, 1, 16, 12, 0, "MONOCHROME2", -1, Pattern::CtPhantom, 0, kExplicitLE},
    {kRgbPlanar0, 64, 48, 1, 3, 8, 8, 0, "RGB", 0, Pattern::RgbRamp, 0, kExplicitLE},
    {kRgbPlanar1, 64, 48, 1, 3, 8, 8, 0, "RGB", 1, Pattern::RgbRamp, 0, kExplicitLE},
    {kRgbPlanar0Odd, 61, 47, 1, 3, 8, 8, 0, "RGB", 0, Pattern::RgbRamp, 0, kExplicitLE},
    {kRgbPlanar1Odd, 61, 47, 1, 3, 8, 8, 0, "RGB", 1, Pattern::RgbRamp, 0, kExplicitLE},
    {kYbrFullPlanar0, 64, 48, 1, 3, 8, 8, 0, "YBR_FULL", 0, Pattern::Ybr, 0, kExplicitLE},
    {kYbrFullPlanar1, 64, 48, 1, 3, 8, 8, 0, "YBR_FULL", 1, Pattern::Ybr, 0, kExplicitLE},
    {kMultiFrameTime, 64, 64, 8, 1, 8, 8, 0, "MONOCHROME2", -1, Pattern::Ramp8, 0, kExplicitLE},
    {kMultiFrameVector, 32, 32, 5, 1, 16, 16, 0, "MONOCHROME2", -1, Pattern::Ramp16, 0, kExplicitLE},
    {kMultiFrameRgb, 64, 48, 6, 3, 8, 8, 0, "RGB", 0, Pattern::RgbRamp, 0, kExplicitLE},
    {kTsImplicitLE, 64, 64, 1, 1, 16, 16, 0, "MONOCHROME2", -1, Pattern::Ramp16, 0, kImplicitLE},
    {kTsExplicitLE, 64, 64, 1, 1, 16, 16, 0, "MONOCHROME2", -1, Pattern::Ramp16, 0, kExplicitLE},
    {kTsExplicitBE, 64, 64, 1, 1, 16, 16, 0, "MONOCHROME2", -1, Pattern::Ramp16, 0, kExplicitBE},
    {kTsExplicitBERgb, 64, 48, 1, 3, 8, 8, 0, "RGB", 0, Pattern::RgbRamp, 0, kExplicitBE},
    {kTsDeflated, 64, 64, 1, 1, 16, 16, 0, "MONOCHROME2", -1, Pattern::Ramp16, 0, kDeflatedLE},
    {kTsJpegBaseline, 64, 64, 1, 1, 8, 8, 0, "MONOCHROME2", -1, Pattern::Blocks8, 3, kJpegBaseline},
    {kTsJpegBaselineRgb, 64, 48, 1, 3, 8, 8, 0, "YBR_FULL", 0, Pattern::RgbBlocks, 6, kJpegBaseline},
    {kTsJpegBaselineMultiFrame, 64, 64, 4, 1, 8, 8, 0, "MONOCHROME2", -1, Pattern::Blocks8, 3, kJpegBaseline},
    {kTsJpegExtended, 64, 64, 1, 1, 16, 12, 0, "MONOCHROME2", -1, Pattern::Blocks12, 8, kJpegExtended},
    {kTsJpegLossless, 64, 64, 1, 1, 16, 16, 0, "MONOCHROME2", -1, Pattern::Ramp16, 0, kJpegLosslessSV1},
    {kTsJpegLosslessRgb, 64, 48, 1, 3, 8, 8, 0, "RGB", 0, Pattern::RgbRamp, 0, kJpegLosslessSV1},
    {kTsRleU8, 64, 60, 1, 1, 8, 8, 0, "MONOCHROME2", -1, Pattern::Ramp8, 0, kRle},
    {kTsRleU16, 64, 64, 1, 1, 16, 16, 0, "MONOCHROME2", -1, Pattern::Ramp16, 0, kRle},
    {kTsRleRgb, 64, 48, 1, 3, 8, 8, 0, "RGB", 0, Pattern::RgbRamp, 0, kRle},
    {kTsRleMultiFrameRgb, 64, 48, 6, 3, 8, 8, 0, "RGB", 0, Pattern::RgbRamp, 0, kRle},
    {kSpacingSquare, 64, 64, 1, 1, 8, 8, 0, "MONOCHROME2", -1, Pattern::Ramp8, 0, kExplicitLE},
    {kSpacingNonSquare, 64, 64, 1, 1, 8, 8, 0, "MONOCHROME2", -1, Pattern::Ramp8, 0, kExplicitLE},
    {kSpacingAbsent, 64, 64, 1, 1, 8, 8, 0, "MONOCHROME2", -1, Pattern::Ramp8, 0, kExplicitLE},
    {kSpacingImager, 64, 64, 1, 1, 8, 8, 0, "MONOCHROME2", -1, Pattern::Ramp8, 0, kExplicitLE},
    {kSpacingBoth, 64, 64, 1, 1, 8, 8, 0, "MONOCHROME2", -1, Pattern::Ramp8, 0, kExplicitLE},
    {kOrientAxial, 64, 64, 1, 1, 8, 8, 0, "MONOCHROME2", -1, Pattern::Ramp8, 0, kExplicitLE},
    {kOrientAxialReversed, 64, 64, 1, 1, 8, 8, 0, "MONOCHROME2", -1, Pattern::Ramp8, 0, kExplicitLE},
    {kOrientCoronal, 64, 64, 1, 1, 8, 8, 0, "MONOCHROME2", -1, Pattern::Ramp8, 0, kExplicitLE},
    {kOrientSagittal, 64, 64, 1, 1, 8, 8, 0, "MONOCHROME2", -1, Pattern::Ramp8, 0, kExplicitLE},
    {kOrientOblique, 64, 64, 1, 1, 8, 8, 0, "MONOCHROME2", -1, Pattern::Ramp8, 0, kExplicitLE},
    {kOrientNone, 64, 64, 1, 1, 8, 8, 0, "MONOCHROME2", -1, Pattern::Ramp8, 0, kExplicitLE},
    {kOverlayLine, 64, 64, 1, 1, 8, 8, 0, "MONOCHROME2", -1, Pattern::Ramp8, 0, kExplicitLE},
    {kOverlayAll, 64, 64, 1, 1, 8, 8, 0, "MONOCHROME2", -1, Pattern::Ramp8, 0, kExplicitLE},
    {kOverlayPlane, 64, 64, 1, 1, 8, 8, 0, "MONOCHROME2", -1, Pattern::Ramp8, 0, kExplicitLE},
    {kTextUtf8, 64, 64, 1, 1, 16, 12, 0, "MONOCHROME2", -1, Pattern::Ramp12, 0, kExplicitLE},
    {kTextGb18030, 64, 64, 1, 1, 16, 12, 0, "MONOCHROME2", -1, Pattern::CtPhantom, 0, kExplicitLE},
    {kMrPrivateList, 64, 64, 1, 1, 16, 12, 0, "MONOCHROME2", -1, Pattern::Ramp12, 0, kExplicitLE},
    {kIcon, 64, 64, 1, 1, 16, 16, 0, "MONOCHROME2", -1, Pattern::Ramp16, 0, kExplicitLE},
    {kPalette, 64, 64, 1, 1, 8, 8, 0, "PALETTE COLOR", -1, Pattern::Ramp8, 0, kExplicitLE},
    {kVoiLut, 64, 64, 1, 1, 16, 16, 0, "MONOCHROME2", -1, Pattern::Ramp16, 0, kExplicitLE},
    {kNoMeta, 64, 64, 1, 1, 16, 16, 0, "MONOCHROME2", -1, Pattern::Ramp16, 0, kImplicitLE},
    {kDsaGrey, 64, 64, 1, 1, 8, 8, 0, "MONOCHROME2", -1, Pattern::Blocks8, 0, kExplicitLE},
    {kDsaRgb, 64, 48, 1, 3, 8, 8, 0, "RGB", 0, Pattern::RgbBlocks, 0, kExplicitLE},
};

// The table entry of the file name given; null when the table has none.
inline const Image* FindImage(const std::string& name) {
  for (const Image& image : kImages)
    if (name == image.name) return &image;
  return nullptr;
}

#ifdef TESTDATA_DIR
inline std::string Path(const std::string& name) { return std::string(TESTDATA_DIR) + "/" + name; }
#endif

}  // namespace testdata
