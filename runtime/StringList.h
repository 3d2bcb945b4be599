// A list of strings, each item optionally carrying an attached object: the shape in
// which the archive component hands out entry lists and takes selections.
// The list holds each attached object through a unique_ptr, so clearing or destroying
// the list releases them; nothing attached can leak when an operation fails halfway.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "runtime/Exception.h"

// Root of the objects that can be attached to list items.
class TObject {
public:
    virtual ~TObject() = default;
};

class TStrings {
public:
    TStrings() = default;
    TStrings(std::initializer_list<std::string> items) {
        for (const auto& s : items) Add(s);
    }
    TStrings(const TStrings&) = delete;
    TStrings& operator=(const TStrings&) = delete;

    int Count() const { return static_cast<int>(items_.size()); }
    // Text of item i; raises EStringListError for an index out of range.
    const std::string& Strings(int i) const { return At(i).Text; }
    const std::string& operator[](int i) const { return Strings(i); }
    // The object attached to item i, or null. The list keeps it.
    TObject* Objects(int i) const { return At(i).Object.get(); }

    // Appends an item; returns its index.
    int Add(std::string text) { return AddObject(std::move(text), nullptr); }
    int AddObject(std::string text, std::unique_ptr<TObject> object) {
        items_.push_back(Item{std::move(text), std::move(object)});
        return Count() - 1;
    }
    // Removes every item and releases the attached objects.
    void Clear() { items_.clear(); }

private:
    struct Item {
        std::string Text;
        std::unique_ptr<TObject> Object;
    };
    const Item& At(int i) const {
        if (i < 0 || i >= Count()) throw EStringListError(i);
        return items_[static_cast<size_t>(i)];
    }
    std::vector<Item> items_;
};
