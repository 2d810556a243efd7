// The framework's growable array. Growth follows the framework: a grow-by
// step of 0 (the default) lets the array grow by an eighth of its size, at least 4 and
// at most 1024 elements. Out-of-range access is reported and refused: reads
// give a default element, writes go to a scratch element that no caller
// owns, and removals outside the array do nothing.
#pragma once

#include <algorithm>
#include <vector>

#include "CObject.h"
#include "debug.h"

template <class TYPE, class ARG_TYPE = const TYPE&>
class CArray : public CObject {
public:
    CArray() = default;

    int GetSize() const { return static_cast<int>(m_data.size()); }
    int GetCount() const { return GetSize(); }
    int GetUpperBound() const { return GetSize() - 1; }
    BOOL IsEmpty() const { return m_data.empty(); }

    void SetSize(int newSize, int growBy = -1)
    {
        if (growBy != -1)
            m_growBy = growBy;
        if (newSize < 0) {
            ReportFault("CArray::SetSize with a negative size");
            return;
        }
        Reserve(newSize);
        m_data.resize(static_cast<size_t>(newSize));
    }

    void FreeExtra() { m_data.shrink_to_fit(); }
    void RemoveAll() { std::vector<TYPE>().swap(m_data); }

    TYPE GetAt(int index) const
    {
        if (!IsValidIndex(index)) {
            ReportFault("CArray index out of range");
            return TYPE();
        }
        return m_data[static_cast<size_t>(index)];
    }

    void SetAt(int index, ARG_TYPE element)
    {
        if (!IsValidIndex(index)) {
            ReportFault("CArray index out of range");
            return;
        }
        m_data[static_cast<size_t>(index)] = element;
    }

    TYPE& ElementAt(int index)
    {
        if (!IsValidIndex(index)) {
            ReportFault("CArray index out of range");
            m_scratch = TYPE();
            return m_scratch;
        }
        return m_data[static_cast<size_t>(index)];
    }

    const TYPE* GetData() const { return m_data.empty() ? nullptr : m_data.data(); }
    TYPE* GetData() { return m_data.empty() ? nullptr : m_data.data(); }

    void SetAtGrow(int index, ARG_TYPE element)
    {
        if (index < 0) {
            ReportFault("CArray::SetAtGrow with a negative index");
            return;
        }
        TYPE copy(element); // the argument may live inside this array
        if (index >= GetSize())
            SetSize(index + 1);
        m_data[static_cast<size_t>(index)] = std::move(copy);
    }

    int Add(ARG_TYPE element)
    {
        const int index = GetSize();
        SetAtGrow(index, element);
        return index;
    }

    int Append(const CArray& source)
    {
        const int oldSize = GetSize();
        std::vector<TYPE> copy(source.m_data); // source may be this array
        Reserve(oldSize + static_cast<int>(copy.size()));
        m_data.insert(m_data.end(), copy.begin(), copy.end());
        return oldSize;
    }

    void Copy(const CArray& source)
    {
        if (&source != this)
            m_data = source.m_data;
    }

    void InsertAt(int index, ARG_TYPE element, int count = 1)
    {
        if (index < 0 || count < 0) {
            ReportFault("CArray::InsertAt with a negative index or count");
            return;
        }
        TYPE copy(element);
        if (index >= GetSize())
            SetSize(index); // inserting past the end grows the array first
        Reserve(GetSize() + count);
        m_data.insert(m_data.begin() + index, static_cast<size_t>(count), copy);
    }

    void InsertAt(int startIndex, const CArray* source)
    {
        if (!source || startIndex < 0) {
            ReportFault("CArray::InsertAt with a bad source or index");
            return;
        }
        std::vector<TYPE> copy(source->m_data);
        if (startIndex >= GetSize())
            SetSize(startIndex);
        Reserve(GetSize() + static_cast<int>(copy.size()));
        m_data.insert(m_data.begin() + startIndex, copy.begin(), copy.end());
    }

    void RemoveAt(int index, int count = 1)
    {
        if (index < 0 || count < 0 || index > GetSize() - count) {
            ReportFault("CArray::RemoveAt out of range");
            return;
        }
        m_data.erase(m_data.begin() + index, m_data.begin() + index + count);
    }

    TYPE operator[](int index) const { return GetAt(index); }
    TYPE& operator[](int index) { return ElementAt(index); }

private:
    bool IsValidIndex(int index) const { return index >= 0 && index < GetSize(); }

    static void ReportFault(const char* what) { PlatformReportFault(what, __FILE__, __LINE__); }

    void Reserve(int newSize)
    {
        const int capacity = static_cast<int>(m_data.capacity());
        if (newSize <= capacity)
            return;
        int growBy = m_growBy;
        if (growBy <= 0)
            growBy = std::min(1024, std::max(4, GetSize() / 8));
        m_data.reserve(static_cast<size_t>(std::max(newSize, capacity + growBy)));
    }

    std::vector<TYPE> m_data;
    int m_growBy = 0;
    TYPE m_scratch{};
};
