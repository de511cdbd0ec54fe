#pragma once
#include "framework/core/Value.h"

#include <oaidl.h>

namespace fw {

// Owns one VARIANT (cleared on destruction).
class Variant {
public:
    Variant() { VariantInit(&v_); }
    explicit Variant(const Value& value);
    ~Variant() { VariantClear(&v_); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;

    VARIANT* get() { return &v_; }
    const VARIANT* get() const { return &v_; }
    Value toValue() const;

private:
    VARIANT v_;
};

// COM boundary: kinds map to VT_EMPTY, VT_NULL, VT_I4, VT_UI4, VT_I8, VT_R8, VT_BOOL, VT_DATE, VT_BSTR
// (both kinds of text). A VT_BSTR comes back as WMI text. Smaller integer types widen; other types go
// through their text form, or are empty if they have none.
Value fromVariant(const VARIANT& v);

} // namespace fw
