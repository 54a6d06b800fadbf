#pragma once

// The demo hospital's fixed reference data: departments, charge master, payors, G/L accounts,
// stations, miscellaneous revenue codes and the name lists patients are drawn from.

#include <cstdint>
#include <vector>

namespace tarvik::hospitaldb::master {

struct Department
{
    const char* code;
    const char* name;
    const char* group;   // CLINICAL, NURSING, ROOM, PHARMACY, PROFESSIONAL, MISC, EMERGENCY
    bool logbook;        // keeps an examination logbook
    const char* gl;      // revenue G/L account
};

struct Item
{
    const char* code;
    const char* dept;
    const char* description;
    const char* chargeType; // HOSP or PF
    std::int64_t priceOP;   // cents; in-patient price is 15 % higher
    bool package = false;
};

struct PackagePart
{
    const char* package;
    const char* item;
};

struct Payor
{
    const char* code;
    const char* name;
    const char* type;  // SELF, HMO, COMPANY, GOVERNMENT
    int terms;
    const char* gl;
};

struct GLAccount
{
    const char* code;
    const char* name;
    const char* cls;
    const char* side;
};

struct Station
{
    const char* code;
    const char* name;
    int floor;
    const char* roomClass;
    std::int64_t rate; // cents a day
    int bedsPerRoom;
    double share;      // of the hospital's beds
};

struct MiscCode
{
    const char* code;
    const char* description;
    const char* gl;
    std::int64_t amount; // usual amount in cents
    double weight;       // share of the miscellaneous receipts
};

const std::vector<Department>& departments();
const std::vector<Item>& items();
const std::vector<PackagePart>& packageParts();
const std::vector<Payor>& payors();
const std::vector<GLAccount>& glAccounts();
const std::vector<Station>& stations();
const std::vector<MiscCode>& miscCodes();
const std::vector<const char*>& firstNamesMale();
const std::vector<const char*>& firstNamesFemale();
const std::vector<const char*>& lastNames();
const std::vector<const char*>& cities();
const std::vector<const char*>& streets();
const std::vector<const char*>& diagnoses();        // admitting / final diagnoses
const std::vector<const char*>& complaints();       // out-patient chief complaints

} // namespace tarvik::hospitaldb::master
