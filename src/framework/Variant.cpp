#include "framework/Variant.h"

#include "framework/WideString.h"

#include <oleauto.h>

namespace fw {

Variant::Variant(const Value& value) {
    VariantInit(&v_);
    switch (value.kind()) {
    case Value::Kind::Empty:
        break;
    case Value::Kind::Null:
        v_.vt = VT_NULL;
        break;
    case Value::Kind::Int32:
    case Value::Kind::UInt32:
    case Value::Kind::Int64: {
        std::int64_t n = 0;
        value.toInt64(n);
        if (value.kind() == Value::Kind::Int32) {
            v_.vt = VT_I4;
            V_I4(&v_) = static_cast<LONG>(n);
        } else if (value.kind() == Value::Kind::UInt32) {
            v_.vt = VT_UI4;
            V_UI4(&v_) = static_cast<ULONG>(n);
        } else {
            v_.vt = VT_I8;
            V_I8(&v_) = n;
        }
        break;
    }
    case Value::Kind::Double:
        v_.vt = VT_R8;
        V_R8(&v_) = value.real();
        break;
    case Value::Kind::Bool:
        v_.vt = VT_BOOL;
        V_BOOL(&v_) = value.boolean() ? VARIANT_TRUE : VARIANT_FALSE;
        break;
    case Value::Kind::DateTime:
        v_.vt = VT_DATE;
        V_DATE(&v_) = value.real();
        break;
    case Value::Kind::Text:
    case Value::Kind::WmiText: {
        std::wstring wide = toWide(value.text());
        v_.vt = VT_BSTR;
        V_BSTR(&v_) = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
        break;
    }
    }
}

Value Variant::toValue() const {
    return fromVariant(v_);
}

Value fromVariant(const VARIANT& v) {
    switch (v.vt) {
    case VT_EMPTY:
        return {};
    case VT_NULL:
        return Value::Null();
    case VT_I1:
        return Value::Int32(V_I1(&v));
    case VT_I2:
        return Value::Int32(V_I2(&v));
    case VT_I4:
        return Value::Int32(V_I4(&v));
    case VT_INT:
        return Value::Int32(V_INT(&v));
    case VT_UI1:
        return Value::UInt32(V_UI1(&v));
    case VT_UI2:
        return Value::UInt32(V_UI2(&v));
    case VT_UI4:
        return Value::UInt32(V_UI4(&v));
    case VT_UINT:
        return Value::UInt32(V_UINT(&v));
    case VT_I8:
        return Value::Int64(V_I8(&v));
    case VT_UI8:
        return Value::Int64(static_cast<std::int64_t>(V_UI8(&v)));
    case VT_R4:
        return Value::Double(V_R4(&v));
    case VT_R8:
        return Value::Double(V_R8(&v));
    case VT_BOOL:
        return Value::Bool(V_BOOL(&v) != VARIANT_FALSE);
    case VT_DATE:
        return Value::DateTime(V_DATE(&v));
    case VT_BSTR:
        return Value::WmiText(fromWide(V_BSTR(&v), static_cast<int>(SysStringLen(V_BSTR(&v)))));
    default: {
        VARIANT text;
        VariantInit(&text);
        Value result;
        if (SUCCEEDED(VariantChangeType(&text, const_cast<VARIANT*>(&v), 0, VT_BSTR)))
            result = Value(fromWide(V_BSTR(&text), static_cast<int>(SysStringLen(V_BSTR(&text)))));
        VariantClear(&text);
        return result;
    }
    }
}

} // namespace fw
