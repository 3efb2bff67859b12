// Moving over the visible rows: first/next/prior/last, record numbers, locate, bookmarks.
#include "platform/dataset/dataset.h"
#include "platform/dataset/row.h"
#include "platform/dataset/text_compare.h"

#include <algorithm>
#include <fmt/format.h>

namespace ct {
namespace {

bool blank(const Value& v) {
    return v.isNull() || (v.isString() && v.asString().empty());
}

bool textMatches(const std::string& have, const std::string& want, LocateOptions options) {
    std::string a = options.caseInsensitive ? foldCase(have) : have;
    std::string b = options.caseInsensitive ? foldCase(want) : want;
    return options.partialKey ? a.compare(0, b.size(), b) == 0 : a == b;
}

} // namespace

void DataSet::moveTo(int position, bool runEvents) {
    if (runEvents)
        run(beforeScroll, *this);
    current_ = view_.empty() ? -1 : std::clamp(position, 0, static_cast<int>(view_.size()) - 1);
    notify(Notice::Scroll);
    if (runEvents)
        run(afterScroll, *this);
}

void DataSet::first() {
    checkActive("navegar");
    checkBrowseMode();
    bof_ = true;
    eof_ = view_.empty();
    moveTo(0, true);
}

void DataSet::last() {
    checkActive("navegar");
    checkBrowseMode();
    eof_ = true;
    bof_ = view_.empty();
    moveTo(static_cast<int>(view_.size()) - 1, true);
}

void DataSet::next() {
    checkActive("navegar");
    checkBrowseMode();
    if (current_ + 1 < static_cast<int>(view_.size())) {
        bof_ = eof_ = false;
        moveTo(current_ + 1, true);
    } else {
        eof_ = true;
    }
}

void DataSet::prior() {
    checkActive("navegar");
    checkBrowseMode();
    if (current_ > 0) {
        bof_ = eof_ = false;
        moveTo(current_ - 1, true);
    } else {
        bof_ = true;
    }
}

int DataSet::moveBy(int distance) {
    int moved = 0;
    while (distance > 0 && !eof()) {
        int before = current_;
        next();
        if (current_ != before)
            ++moved;
        --distance;
    }
    while (distance < 0 && !bof()) {
        int before = current_;
        prior();
        if (current_ != before)
            --moved;
        ++distance;
    }
    return moved;
}

int DataSet::recNo() const {
    if (state_ == DataSetState::Insert)
        return insertPos_ + 1;
    return currentRow() ? current_ + 1 : 0;
}

void DataSet::setRecNo(int recNo) {
    checkActive("navegar");
    checkBrowseMode();
    if (view_.empty())
        return;
    int position = std::clamp(recNo, 1, static_cast<int>(view_.size())) - 1;
    bof_ = eof_ = false;
    moveTo(position, true);
}

int DataSet::recordCount() const {
    return active() ? static_cast<int>(view_.size()) : 0;
}

bool DataSet::isEmpty() const {
    return state_ != DataSetState::Insert && recordCount() == 0;
}

int DataSet::find(std::string_view fieldNames, const std::vector<Value>& values,
                  LocateOptions options) const {
    std::vector<int> indexes = resolveFields(fieldNames);
    if (indexes.size() != values.size())
        throw DataSetError(fmt::format("{}: {} campos e {} valores na busca",
                                       name_.empty() ? "Conjunto de dados" : name_, indexes.size(),
                                       values.size()));
    // the searched values in the types of their fields; an unreadable one matches nothing
    std::vector<Value> wanted;
    for (std::size_t k = 0; k < indexes.size(); ++k) {
        const Field& f = *fields_[indexes[k]];
        try {
            Value v = values[k];
            if (f.isText() && !v.isNull() && !v.isString())
                v = Value(f.convert(v).asString());
            else if (!f.isText()) {
                FieldDef plain = f.def();
                plain.maxValue.reset();
                plain.minValue.reset();
                v = Field(const_cast<DataSet&>(*this), plain, f.index()).convert(v);
            }
            wanted.push_back(std::move(v));
        } catch (const DataSetError&) {
            return -1;
        }
    }
    for (std::size_t pos = 0; pos < view_.size(); ++pos) {
        const Row& row = *view_[pos];
        bool all = true;
        for (std::size_t k = 0; k < indexes.size() && all; ++k) {
            const Value have = row.values.get(indexes[k]);
            const Value& want = wanted[k];
            if (blank(want))
                all = blank(have);
            else if (have.isNull())
                all = false;
            else if (have.isString() && want.isString())
                all = textMatches(have.asString(), want.asString(), options);
            else if (have.isNumber() && want.isNumber())
                all = have.asDouble() == want.asDouble();
            else
                all = have == want;
        }
        if (all)
            return static_cast<int>(pos);
    }
    return -1;
}

bool DataSet::locate(std::string_view fieldNames, const std::vector<Value>& values,
                     LocateOptions options) {
    checkActive("localizar");
    checkBrowseMode();
    int pos = find(fieldNames, values, options);
    if (pos < 0)
        return false;
    bof_ = eof_ = false;
    moveTo(pos, true);
    return true;
}

bool DataSet::locate(std::string_view fieldName, const Value& value, LocateOptions options) {
    return locate(fieldName, std::vector<Value>{value}, options);
}

Bookmark DataSet::bookmark() const {
    if (state_ == DataSetState::Insert && buffer_)
        return buffer_->id;
    Row* row = currentRow();
    return row ? row->id : 0;
}

bool DataSet::bookmarkValid(Bookmark mark) const {
    return mark != 0 &&
           std::any_of(view_.begin(), view_.end(), [mark](const Row* r) { return r->id == mark; });
}

void DataSet::gotoBookmark(Bookmark mark) {
    checkActive("navegar");
    checkBrowseMode();
    auto it =
        std::find_if(view_.begin(), view_.end(), [mark](const Row* r) { return r->id == mark; });
    if (mark == 0 || it == view_.end())
        throw DataSetError(fmt::format("{}: registro não encontrado (marcador inválido)",
                                       name_.empty() ? "Conjunto de dados" : name_));
    bof_ = eof_ = false;
    moveTo(static_cast<int>(it - view_.begin()), true);
}

} // namespace ct
