#include "InfoTextFormat.h"

#include <climits>
#include <cmath>
#include <cstdlib>

namespace infotext {

CString Fmt(const char* format, const CString& value)
{
    CString text;
    text.Format(format, static_cast<const char*>(value));
    return text;
}

CString Fmt(const char* format, double value)
{
    CString text;
    text.Format(format, value);
    return text;
}

CString Fmt(const char* format, int value)
{
    CString text;
    text.Format(format, value);
    return text;
}

CString Upper(CString text)
{
    text.MakeUpper();
    return text;
}

CString NoZeros(CString text)
{
    text.TrimLeft('0');
    return text;
}

CString NoBlanks(CString text)
{
    text.TrimLeft(' ');
    return text;
}

CString DateText(const CString& date)
{
    CString text;
    text.Format("%s-%s-%s", static_cast<const char*>(date.Left(4)), static_cast<const char*>(date.Mid(4, 2)),
                static_cast<const char*>(date.Right(2)));
    return text;
}

CString TimeText(const CString& time)
{
    CString text;
    text.Format("%s:%s:%s", static_cast<const char*>(time.Left(2)), static_cast<const char*>(time.Mid(2, 2)),
                static_cast<const char*>(time.Mid(4, 5)));
    return text;
}

int TruncatedNumber(const CString& text)
{
    const double value = std::atof(text);
    if (!(value > -2147483648.0))
        return std::isnan(value) ? 0 : INT_MIN;
    if (value >= 2147483647.0)
        return INT_MAX;
    return static_cast<int>(value);
}

CString SlashPairText(const CString& text)
{
    const int slash = text.Find('\\');
    const CString before = slash < 0 ? CString() : text.Left(slash);
    const CString after = slash < 0 ? text : text.Mid(slash + 1);
    CString result;
    result.Format("%d/%d", TruncatedNumber(before), TruncatedNumber(after));
    return result;
}

CString BeforeSlashText(const CString& text)
{
    const int slash = text.Find('\\');
    return Fmt("%d", TruncatedNumber(slash < 0 ? CString() : text.Left(slash)));
}

}  // namespace infotext
