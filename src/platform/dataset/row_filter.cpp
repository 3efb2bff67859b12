#include "platform/dataset/row_filter.h"

#include "platform/dataset/dataset_error.h"
#include "platform/dataset/format.h"
#include "platform/dataset/text_compare.h"

#include <charconv>
#include <cmath>
#include <fmt/format.h>

namespace ct {

enum class Op { Eq, Ne, Lt, Gt, Le, Ge, And, Or, Not, IsNull, IsNotNull, Field, Literal };

struct RowFilter::Node {
    Op op = Op::Literal;
    std::unique_ptr<Node> left, right;
    int field = -1;
    FieldType type = FieldType::String;
    Value literal;
};

RowFilter::~RowFilter() = default;

namespace {

using Node = RowFilter::Node;

enum class Tok { End, Name, Text, Number, LParen, RParen, Cmp };

struct Token {
    Tok kind = Tok::End;
    std::string text;
    std::size_t pos = 0;
};

class Parser {
public:
    Parser(std::string_view text, const RowFilter::Resolver& resolve)
        : text_(text)
        , resolve_(resolve) {
        advance();
    }

    std::unique_ptr<Node> parseAll() {
        auto node = parseOr();
        if (tok_.kind != Tok::End)
            fail("texto inesperado");
        return node;
    }

private:
    [[noreturn]] void fail(const std::string& what) const {
        throw DataSetError(
            fmt::format("Filtro inválido ({} na posição {}): {}", what, tok_.pos + 1, text_));
    }

    bool keyword(std::string_view word) const {
        return tok_.kind == Tok::Name && sameName(tok_.text, word);
    }

    void advance() {
        while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t' ||
                                       text_[pos_] == '\n' || text_[pos_] == '\r'))
            ++pos_;
        tok_ = Token{};
        tok_.pos = pos_;
        if (pos_ >= text_.size())
            return;
        char c = text_[pos_];
        if (c == '(' || c == ')') {
            tok_.kind = c == '(' ? Tok::LParen : Tok::RParen;
            ++pos_;
        } else if (c == '\'') {
            readText();
        } else if (c == '[') {
            auto end = text_.find(']', pos_);
            if (end == std::string_view::npos)
                fail("colchete sem fim");
            tok_.kind = Tok::Name;
            tok_.text = std::string(text_.substr(pos_ + 1, end - pos_ - 1));
            pos_ = end + 1;
        } else if (c == '=' || c == '<' || c == '>') {
            tok_.kind = Tok::Cmp;
            tok_.text = c;
            ++pos_;
            if (pos_ < text_.size() && (text_[pos_] == '=' || (c == '<' && text_[pos_] == '>'))) {
                tok_.text += text_[pos_];
                ++pos_;
            }
        } else if ((c >= '0' && c <= '9') || c == '-' || c == '.') {
            std::size_t start = pos_++;
            while (pos_ < text_.size() &&
                   ((text_[pos_] >= '0' && text_[pos_] <= '9') || text_[pos_] == '.'))
                ++pos_;
            tok_.kind = Tok::Number;
            tok_.text = std::string(text_.substr(start, pos_ - start));
        } else if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') {
            std::size_t start = pos_;
            while (pos_ < text_.size() &&
                   (std::isalnum(static_cast<unsigned char>(text_[pos_])) || text_[pos_] == '_'))
                ++pos_;
            tok_.kind = Tok::Name;
            tok_.text = std::string(text_.substr(start, pos_ - start));
        } else {
            fail(fmt::format("caractere '{}'", c));
        }
    }

    void readText() {
        std::string out;
        ++pos_;
        while (true) {
            if (pos_ >= text_.size())
                fail("texto sem aspas de fechamento");
            if (text_[pos_] == '\'') {
                if (pos_ + 1 < text_.size() && text_[pos_ + 1] == '\'') {
                    out += '\'';
                    pos_ += 2;
                    continue;
                }
                ++pos_;
                break;
            }
            out += text_[pos_++];
        }
        tok_.kind = Tok::Text;
        tok_.text = std::move(out);
    }

    std::unique_ptr<Node> binary(Op op, std::unique_ptr<Node> l, std::unique_ptr<Node> r) {
        auto node = std::make_unique<Node>();
        node->op = op;
        node->left = std::move(l);
        node->right = std::move(r);
        return node;
    }

    std::unique_ptr<Node> parseOr() {
        auto node = parseAnd();
        while (keyword("OR")) {
            advance();
            node = binary(Op::Or, std::move(node), parseAnd());
        }
        return node;
    }

    std::unique_ptr<Node> parseAnd() {
        auto node = parseNot();
        while (keyword("AND")) {
            advance();
            node = binary(Op::And, std::move(node), parseNot());
        }
        return node;
    }

    std::unique_ptr<Node> parseNot() {
        // a hostile text must not exhaust the stack
        if (++depth_ > 200)
            fail("expressão aninhada demais");
        struct Leave {
            int& depth;
            ~Leave() { --depth; }
        } leave{depth_};
        if (keyword("NOT")) {
            advance();
            return binary(Op::Not, parseNot(), nullptr);
        }
        if (tok_.kind == Tok::LParen) {
            advance();
            auto node = parseOr();
            if (tok_.kind != Tok::RParen)
                fail("falta ')'");
            advance();
            return node;
        }
        return parseComparison();
    }

    std::unique_ptr<Node> parseComparison() {
        auto left = parseOperand();
        if (keyword("IS")) {
            advance();
            bool negated = keyword("NOT");
            if (negated)
                advance();
            if (!keyword("NULL"))
                fail("esperado NULL");
            advance();
            return binary(negated ? Op::IsNotNull : Op::IsNull, std::move(left), nullptr);
        }
        if (tok_.kind != Tok::Cmp)
            fail("esperado operador de comparação");
        static const std::pair<std::string_view, Op> ops[] = {{"=", Op::Eq},  {"<>", Op::Ne},
                                                              {"<", Op::Lt},  {">", Op::Gt},
                                                              {"<=", Op::Le}, {">=", Op::Ge}};
        Op op = Op::Eq;
        bool known = false;
        for (const auto& [t, o] : ops)
            if (tok_.text == t) {
                op = o;
                known = true;
            }
        if (!known)
            fail("operador desconhecido");
        advance();
        return binary(op, std::move(left), parseOperand());
    }

    std::unique_ptr<Node> parseOperand() {
        auto node = std::make_unique<Node>();
        if (tok_.kind == Tok::Text) {
            node->literal = Value(tok_.text);
        } else if (tok_.kind == Tok::Number) {
            double number = 0;
            auto [ptr, ec] =
                std::from_chars(tok_.text.data(), tok_.text.data() + tok_.text.size(), number);
            if (ec != std::errc() || ptr != tok_.text.data() + tok_.text.size())
                fail("número inválido");
            node->literal = Value(number);
        } else if (tok_.kind == Tok::Name && !keyword("AND") && !keyword("OR") && !keyword("NOT")) {
            if (keyword("NULL")) {
                node->literal = Value();
            } else {
                auto info = resolve_(tok_.text);
                if (!info)
                    fail(fmt::format("campo '{}' não encontrado", tok_.text));
                node->op = Op::Field;
                node->field = info->index;
                node->type = info->type;
            }
        } else {
            fail("esperado campo ou valor");
        }
        advance();
        return node;
    }

    std::string_view text_;
    const RowFilter::Resolver& resolve_;
    std::size_t pos_ = 0;
    int depth_ = 0;
    Token tok_;
};

// A literal read in the type of the field it is compared with.
Value coerce(const Value& value, FieldType type) {
    if (!value.isString() || isTextType(type))
        return value;
    const std::string& text = value.asString();
    switch (type) {
    case FieldType::Float:
    case FieldType::Integer: {
        if (auto n = tryParseNumber(text))
            return Value(*n);
        double number = 0;
        auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), number);
        if (ec == std::errc() && ptr == text.data() + text.size())
            return Value(number);
        return value;
    }
    case FieldType::DateTime:
        if (auto d = tryParseDate(text))
            return Value(*d);
        if (auto d = DateTime::parseIso(text))
            return Value(*d);
        return value;
    case FieldType::Boolean:
        if (sameName(text, "true") || sameName(text, "S"))
            return Value(true);
        if (sameName(text, "false") || sameName(text, "N"))
            return Value(false);
        return value;
    default:
        return value;
    }
}

bool isBlank(const Value& v) {
    return v.isNull() || (v.isString() && v.asString().empty());
}

// -1, 0, 1, or nullopt when the values cannot be ordered.
std::optional<int> compare(const Value& a, const Value& b, bool caseInsensitive) {
    if (a.isNull() || b.isNull()) {
        if (isBlank(a) && isBlank(b))
            return 0;
        return std::nullopt;
    }
    if (a.isNumber() && b.isNumber()) {
        double x = a.asDouble(), y = b.asDouble();
        return x < y ? -1 : x > y ? 1 : 0;
    }
    if (a.isString() && b.isString()) {
        int c = caseInsensitive ? foldCase(a.asString()).compare(foldCase(b.asString()))
                                : a.asString().compare(b.asString());
        return c < 0 ? -1 : c > 0 ? 1 : 0;
    }
    if (a.isDateTime() && b.isDateTime())
        return a.asDateTime() < b.asDateTime() ? -1 : a.asDateTime() > b.asDateTime() ? 1 : 0;
    if (a.isBool() && b.isBool())
        return static_cast<int>(a.asBool()) - static_cast<int>(b.asBool());
    return std::nullopt;
}

Value operand(const Node& node, const PackedValues& values) {
    if (node.op == Op::Field)
        return static_cast<std::size_t>(node.field) < values.size() ? values.get(node.field)
                                                                    : Value();
    return node.literal;
}

bool eval(const Node& node, const PackedValues& values, bool ci) {
    switch (node.op) {
    case Op::And:
        return eval(*node.left, values, ci) && eval(*node.right, values, ci);
    case Op::Or:
        return eval(*node.left, values, ci) || eval(*node.right, values, ci);
    case Op::Not:
        return !eval(*node.left, values, ci);
    case Op::IsNull:
        return operand(*node.left, values).isNull();
    case Op::IsNotNull:
        return !operand(*node.left, values).isNull();
    case Op::Field:
    case Op::Literal:
        return false;
    default:
        break;
    }
    Value l = operand(*node.left, values), r = operand(*node.right, values);
    if (node.left->op == Op::Field)
        r = coerce(r, node.left->type);
    if (node.right->op == Op::Field)
        l = coerce(l, node.right->type);
    auto c = compare(l, r, ci);
    if (!c)
        return node.op == Op::Ne;
    switch (node.op) {
    case Op::Eq:
        return *c == 0;
    case Op::Ne:
        return *c != 0;
    case Op::Lt:
        return *c < 0;
    case Op::Gt:
        return *c > 0;
    case Op::Le:
        return *c <= 0;
    case Op::Ge:
        return *c >= 0;
    default:
        return false;
    }
}

} // namespace

std::shared_ptr<const RowFilter> RowFilter::parse(std::string_view text, const Resolver& resolve) {
    std::shared_ptr<RowFilter> filter(new RowFilter());
    Parser parser(text, resolve);
    filter->root_ = parser.parseAll();
    return filter;
}

bool RowFilter::matches(const PackedValues& values, bool caseInsensitive) const {
    return !root_ || eval(*root_, values, caseInsensitive);
}

} // namespace ct
