// The framework's doubly linked list with POSITION iteration. A POSITION
// stays valid until its own element is removed, so the usual pattern of
// remembering the current position, stepping with GetNext and removing the
// remembered one is safe. Misuse (a null position, the head of an empty
// list) is reported and refused.
#pragma once

#include <utility>

#include "CObject.h"
#include "debug.h"

struct PlatformPositionTag {};
typedef PlatformPositionTag* POSITION;

template <class TYPE, class ARG_TYPE = const TYPE&>
class CList : public CObject {
public:
    // The block size of the framework's node allocator; nodes here are
    // allocated one by one, so it only documents the caller's intent.
    explicit CList(int blockSize = 10) { (void)blockSize; }
    ~CList() override { RemoveAll(); }

    int GetCount() const { return m_count; }
    int GetSize() const { return m_count; }
    BOOL IsEmpty() const { return m_count == 0; }

    TYPE& GetHead() { return ValueOr(m_head, "CList::GetHead on an empty list"); }
    TYPE GetHead() const { return ConstValueOr(m_head, "CList::GetHead on an empty list"); }
    TYPE& GetTail() { return ValueOr(m_tail, "CList::GetTail on an empty list"); }
    TYPE GetTail() const { return ConstValueOr(m_tail, "CList::GetTail on an empty list"); }

    TYPE RemoveHead()
    {
        if (!m_head) {
            ReportFault("CList::RemoveHead on an empty list");
            return TYPE();
        }
        TYPE value = std::move(m_head->data);
        Unlink(m_head);
        return value;
    }

    TYPE RemoveTail()
    {
        if (!m_tail) {
            ReportFault("CList::RemoveTail on an empty list");
            return TYPE();
        }
        TYPE value = std::move(m_tail->data);
        Unlink(m_tail);
        return value;
    }

    POSITION AddHead(ARG_TYPE element) { return InsertBetween(nullptr, m_head, element); }
    POSITION AddTail(ARG_TYPE element) { return InsertBetween(m_tail, nullptr, element); }

    void AddHead(const CList* other)
    {
        if (!other)
            return;
        CList copy;
        copy.AddTail(other);
        for (Node* n = copy.m_tail; n; n = n->prev)
            AddHead(n->data);
    }

    void AddTail(const CList* other)
    {
        if (!other)
            return;
        const int count = other->m_count; // other may be this list
        Node* n = other->m_head;
        for (int i = 0; i < count && n; ++i, n = n->next)
            AddTail(n->data);
    }

    void RemoveAll()
    {
        while (m_head)
            Unlink(m_head);
    }

    POSITION GetHeadPosition() const { return ToPosition(m_head); }
    POSITION GetTailPosition() const { return ToPosition(m_tail); }

    TYPE& GetNext(POSITION& position)
    {
        Node* node = ToNode(position, "CList::GetNext with a null position");
        if (!node)
            return Scratch();
        position = ToPosition(node->next);
        return node->data;
    }

    TYPE GetNext(POSITION& position) const
    {
        Node* node = ToNode(position, "CList::GetNext with a null position");
        if (!node)
            return TYPE();
        position = ToPosition(node->next);
        return node->data;
    }

    TYPE& GetPrev(POSITION& position)
    {
        Node* node = ToNode(position, "CList::GetPrev with a null position");
        if (!node)
            return Scratch();
        position = ToPosition(node->prev);
        return node->data;
    }

    TYPE GetPrev(POSITION& position) const
    {
        Node* node = ToNode(position, "CList::GetPrev with a null position");
        if (!node)
            return TYPE();
        position = ToPosition(node->prev);
        return node->data;
    }

    TYPE& GetAt(POSITION position)
    {
        Node* node = ToNode(position, "CList::GetAt with a null position");
        return node ? node->data : Scratch();
    }

    TYPE GetAt(POSITION position) const
    {
        Node* node = ToNode(position, "CList::GetAt with a null position");
        return node ? node->data : TYPE();
    }

    void SetAt(POSITION position, ARG_TYPE element)
    {
        if (Node* node = ToNode(position, "CList::SetAt with a null position"))
            node->data = element;
    }

    void RemoveAt(POSITION position)
    {
        if (Node* node = ToNode(position, "CList::RemoveAt with a null position"))
            Unlink(node);
    }

    POSITION InsertBefore(POSITION position, ARG_TYPE element)
    {
        Node* node = reinterpret_cast<Node*>(position);
        if (!node)
            return AddHead(element);
        return InsertBetween(node->prev, node, element);
    }

    POSITION InsertAfter(POSITION position, ARG_TYPE element)
    {
        Node* node = reinterpret_cast<Node*>(position);
        if (!node)
            return AddTail(element);
        return InsertBetween(node, node->next, element);
    }

    POSITION Find(ARG_TYPE value, POSITION startAfter = nullptr) const
    {
        Node* node = startAfter ? reinterpret_cast<Node*>(startAfter)->next : m_head;
        for (; node; node = node->next) {
            if (node->data == value)
                return ToPosition(node);
        }
        return nullptr;
    }

    POSITION FindIndex(int index) const
    {
        if (index < 0 || index >= m_count)
            return nullptr;
        Node* node = m_head;
        while (index-- > 0)
            node = node->next;
        return ToPosition(node);
    }

private:
    struct Node {
        Node* prev;
        Node* next;
        TYPE data;
    };

    static POSITION ToPosition(Node* node) { return reinterpret_cast<POSITION>(node); }

    static Node* ToNode(POSITION position, const char* faultIfNull)
    {
        if (!position)
            ReportFault(faultIfNull);
        return reinterpret_cast<Node*>(position);
    }

    static void ReportFault(const char* what) { PlatformReportFault(what, __FILE__, __LINE__); }

    TYPE& Scratch()
    {
        m_scratch = TYPE();
        return m_scratch;
    }

    TYPE& ValueOr(Node* node, const char* fault)
    {
        if (!node) {
            ReportFault(fault);
            return Scratch();
        }
        return node->data;
    }

    TYPE ConstValueOr(Node* node, const char* fault) const
    {
        if (!node) {
            ReportFault(fault);
            return TYPE();
        }
        return node->data;
    }

    POSITION InsertBetween(Node* prev, Node* next, ARG_TYPE element)
    {
        Node* node = new Node{prev, next, TYPE(element)};
        (prev ? prev->next : m_head) = node;
        (next ? next->prev : m_tail) = node;
        ++m_count;
        return ToPosition(node);
    }

    void Unlink(Node* node)
    {
        (node->prev ? node->prev->next : m_head) = node->next;
        (node->next ? node->next->prev : m_tail) = node->prev;
        --m_count;
        delete node;
    }

    Node* m_head = nullptr;
    Node* m_tail = nullptr;
    int m_count = 0;
    TYPE m_scratch{};
};
