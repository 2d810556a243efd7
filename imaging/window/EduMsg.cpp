#include "EduMsg.h"

// Parameters a sender leaves unset read as 0, not as stack garbage.
CEduMsg::CEduMsg() : m_hSender(nullptr), m_nReserved(-1), m_nCode(-1), m_nParams{}
{
}

CEduMsg::CEduMsg(const CEduMsg& other) { *this = other; }

CEduMsg& CEduMsg::operator=(const CEduMsg& other)
{
    if (this == &other)
        return *this;
    m_hSender = other.m_hSender;
    m_nReserved = other.m_nReserved;
    m_nCode = other.m_nCode;
    for (int i = 0; i < 100; ++i) {
        m_nParams[i] = other.m_nParams[i];
        m_strParams[i] = other.m_strParams[i];
    }
    return *this;
}

CEduMsg::~CEduMsg() = default;
