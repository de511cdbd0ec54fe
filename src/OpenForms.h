#pragma once
#include "Functions.h"
#include <vector>

// The open child forms of a class (or derived from it), in taskbar order.
template <class T> std::vector<T*> OpenForms() {
    std::vector<T*> forms;
    for (int i = 0, n = ChildFormCount(); i < n; ++i)
        if (auto* form = dynamic_cast<T*>(ChildForm(i))) forms.push_back(form);
    return forms;
}
