#pragma once

#include <array>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace ct::classlist {

// A class list as the office keeps it in a spreadsheet: one person a row with inscription (CPF
// or CNPJ), name, e-mail, phone and the adult and child invitations. Texts are as typed.
struct ClassListEntry {
    int line = 0; // line of the file, from 1
    std::string inscription;
    std::string name;
    std::string email;
    std::string phone;
    std::string adults;
    std::string children;
    bool operator==(const ClassListEntry&) const = default;
};

// The columns in their usual order, with the titles an exported list carries.
constexpr std::array<std::string_view, 6> classListTitles = {
    "Inscrição", "Nome", "E-mail", "Telefone", "Convites adultos", "Convites crianças"};

// A list that cannot be read (no rows, no inscription column); the text is the user's.
class ClassListError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Reads a class list from a file's bytes or pasted text (see decodeText and detectDelimiter). A
// first row that names the columns ("CPF", "Nome", "E-mail", "Telefone", "Adultos",
// "Crianças"..., in any order, accents and case ignored) says where each one is and other
// columns are ignored; without one the columns are in the usual order.
std::vector<ClassListEntry> readClassList(std::string_view content);

// A list's rows: the titles, then one row an entry.
std::vector<std::vector<std::string>> classListRows(const std::vector<ClassListEntry>& entries);

} // namespace ct::classlist
