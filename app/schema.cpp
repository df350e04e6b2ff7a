#include "app/schema.h"

#include <fmt/format.h>

#include <algorithm>
#include <string_view>

namespace hearth::schema {

namespace {

// A table of the records database. Its name is written TC_<name>; when it is archived, its
// history table th_<name in lower case> has the same columns plus SaveTime. `key` is the
// primary key; `references` the foreign keys; `indexes` the columns pages, counts and cursors
// search by (a foreign key column is always indexed).
struct Table {
    std::string_view name;
    std::string_view columns;
    std::string_view key;
    std::string_view references = {};
    std::string_view indexes = {};
    bool archived = false;
};

// A person's secondary record: one per order number, tied to the person, gone with the person.
constexpr std::string_view person_record = "OrderNo INTEGER NOT NULL, PersonNo TEXT NOT NULL, ";
constexpr std::string_view with_person = "FOREIGN KEY (PersonNo) REFERENCES TC_GE_PersonInfo ON DELETE CASCADE";

// A member of an organisation: gone with the organisation, and with the person.
constexpr std::string_view member_columns
    = "OrderNo INTEGER NOT NULL, OrgNo INTEGER NOT NULL, PersonNo TEXT, Name TEXT, Duty TEXT, JoinDate DATE";

// Deleting a region clears the region of its buildings; a building is not deleted while houses
// remain; everything else that belongs to a record goes with it.
const Table records_tables[] = {
    {"GE_RegionalManage", "RegionalNo INTEGER NOT NULL, RegionalName TEXT, Manager TEXT, Phone TEXT, Remark TEXT",
     "RegionalNo"},
    {"GE_Building",
     "BuildingNo INTEGER NOT NULL, RegionalNo INTEGER, BuildingName TEXT, Address TEXT, BuildDate DATE, "
     "FloorCount INTEGER, Remark TEXT",
     "BuildingNo", "FOREIGN KEY (RegionalNo) REFERENCES TC_GE_RegionalManage ON DELETE SET NULL", "RegionalNo"},
    {"GE_HouseInfo",
     "HouseNo INTEGER NOT NULL, BuildingNo INTEGER NOT NULL, DoorNo TEXT, Address TEXT, Area NUMERIC(10,2), "
     "HouseType TEXT, Remark TEXT",
     "HouseNo", "FOREIGN KEY (BuildingNo) REFERENCES TC_GE_Building ON DELETE RESTRICT", "BuildingNo"},
    {"GE_Rpr",
     "RprNo TEXT NOT NULL, HostName TEXT, RprType TEXT, Address TEXT, Phone TEXT, RegDate DATE, "
     "PersonNum INTEGER NOT NULL DEFAULT 0, InCommHouseNum NUMERIC(6,0) NOT NULL DEFAULT 0, "
     "OutCommHouseNum NUMERIC(6,0) NOT NULL DEFAULT 0, InCommHouseArea NUMERIC(12,2) NOT NULL DEFAULT 0, "
     "OutCommHouseArea NUMERIC(12,2) NOT NULL DEFAULT 0, Remark TEXT, IsSave CHAR(1) NOT NULL DEFAULT '0'",
     "RprNo",
     {},
     "HostName",
     true},
    {"GE_PersonInfo",
     "PersonNo TEXT NOT NULL, RprNo TEXT NOT NULL, Name TEXT, UsedName TEXT, Sex CHAR(1), IDCard TEXT, "
     "BirthDate DATE, Nation TEXT, HostRelation TEXT, PersonKind TEXT, RoleRelation TEXT, Education TEXT, "
     "Marriage TEXT, Address TEXT, Phone TEXT, RegDate DATE, Remark TEXT, IsSave CHAR(1) NOT NULL DEFAULT '0'",
     "PersonNo", "FOREIGN KEY (RprNo) REFERENCES TC_GE_Rpr ON DELETE CASCADE", "RprNo, Name, IDCard", true},
    {"GE_PersonOtherInfo",
     "PersonNo TEXT NOT NULL, BloodType TEXT, Speciality TEXT, Hobby TEXT, Remark TEXT, "
     "IsSave CHAR(1) NOT NULL DEFAULT '0'",
     "PersonNo",
     with_person,
     {},
     true},
    {"GE_PersonRelation", "PersonNo TEXT NOT NULL, RoleRelation TEXT NOT NULL, PersonNo2 TEXT, Remark TEXT",
     "PersonNo, RoleRelation", with_person, "PersonNo2"},
    {"GE_RprOwnHouse",
     "OrderNo INTEGER NOT NULL, RprNo TEXT NOT NULL, HouseNo INTEGER, Address TEXT, Area NUMERIC(10,2), "
     "OwnKind TEXT, RegDate DATE",
     "OrderNo",
     "FOREIGN KEY (RprNo) REFERENCES TC_GE_Rpr ON DELETE CASCADE, "
     "FOREIGN KEY (HouseNo) REFERENCES TC_GE_HouseInfo ON DELETE CASCADE",
     "RprNo, HouseNo"},
    {"GE_RentHouseReg",
     "OrderNo INTEGER NOT NULL, HouseNo INTEGER NOT NULL, RenterName TEXT, IDCard TEXT, Phone TEXT, "
     "StartDate DATE, EndDate DATE, Rent NUMERIC(10,2)",
     "OrderNo", "FOREIGN KEY (HouseNo) REFERENCES TC_GE_HouseInfo ON DELETE CASCADE", "HouseNo, IDCard"},
    {"GE_RentRegistry",
     "OrderNo INTEGER NOT NULL, HouseNo INTEGER NOT NULL, RenterName TEXT, IDCard TEXT, RegDate DATE, "
     "Purpose TEXT",
     "OrderNo", "FOREIGN KEY (HouseNo) REFERENCES TC_GE_HouseInfo ON DELETE CASCADE", "HouseNo, IDCard"},
    {"GE_FamilyHonor", "HonorNo INTEGER NOT NULL, RprNo TEXT NOT NULL, HonorName TEXT, HonorDate DATE, Grantor TEXT",
     "HonorNo", "FOREIGN KEY (RprNo) REFERENCES TC_GE_Rpr ON DELETE CASCADE", "RprNo"},
    {"GE_BuildingPrize",
     "OrderNo INTEGER NOT NULL, BuildingNo INTEGER NOT NULL, PrizeName TEXT, PrizeDate DATE, Grantor TEXT", "OrderNo",
     "FOREIGN KEY (BuildingNo) REFERENCES TC_GE_Building ON DELETE CASCADE", "BuildingNo"},
    {"DS_VoteRecord",
     "OrderNo INTEGER NOT NULL, FallDue TEXT, VoteDate DATE, VoterNum INTEGER, VotedNum INTEGER, Remark TEXT",
     "OrderNo",
     {},
     "FallDue"},
    {"GE_Company",
     "OrderNo INTEGER NOT NULL, PersonNo TEXT NOT NULL, CompanyName TEXT, Address TEXT, Duty TEXT, Phone TEXT, "
     "StartDate DATE, IsSave CHAR(1) NOT NULL DEFAULT '0'",
     "OrderNo",
     with_person,
     {},
     true},
    {"GE_ForeignOrRegistry",
     "OrderNo INTEGER NOT NULL, PersonNo TEXT NOT NULL, Kind TEXT, Country TEXT, Address TEXT, StartDate DATE, "
     "EndDate DATE, IsSave CHAR(1) NOT NULL DEFAULT '0'",
     "OrderNo",
     with_person,
     {},
     true},
    {"SV_MLPFamilyInfo",
     "OrderNo INTEGER NOT NULL, PersonNo TEXT NOT NULL, CertNo TEXT, Amount NUMERIC(10,2), StartDate DATE, "
     "IsSave CHAR(1) NOT NULL DEFAULT '0'",
     "OrderNo",
     with_person,
     {},
     true},
    {"SV_OOWPersonInfo",
     "OrderNo INTEGER NOT NULL, PersonNo TEXT NOT NULL, CertNo TEXT, IsJob CHAR(1), LoseDate DATE, "
     "IsSave CHAR(1) NOT NULL DEFAULT '0'",
     "OrderNo",
     with_person,
     {},
     true},
    {"SV_ElderInfo",
     "OrderNo INTEGER NOT NULL, PersonNo TEXT NOT NULL, LiveAlone CHAR(1), Pension NUMERIC(10,2), Guardian TEXT, "
     "IsSave CHAR(1) NOT NULL DEFAULT '0'",
     "OrderNo",
     with_person,
     {},
     true},
    {"SV_Children",
     "OrderNo INTEGER NOT NULL, PersonNo TEXT NOT NULL, School TEXT, Guardian TEXT, "
     "IsSave CHAR(1) NOT NULL DEFAULT '0'",
     "OrderNo",
     with_person,
     {},
     true},
    {"MH_AdultWomanInfo",
     "OrderNo INTEGER NOT NULL, PersonNo TEXT NOT NULL, MarryDate DATE, ChildNum INTEGER, Contraception TEXT, "
     "IsSave CHAR(1) NOT NULL DEFAULT '0'",
     "OrderNo",
     with_person,
     {},
     true},
    {"SV_Handicapped", "PersonNo TEXT NOT NULL, HealthType TEXT, HandicapKind TEXT, CardNo TEXT, RegDate DATE",
     "PersonNo", with_person},
    {"SV_LunacyPrevCure", "PersonNo TEXT NOT NULL, Diagnosis TEXT, Guardian TEXT, RegDate DATE", "PersonNo",
     with_person},
    {"SV_RetirePerson", "PersonNo TEXT NOT NULL, RetireDate DATE, Pension NUMERIC(10,2), FormerCompany TEXT",
     "PersonNo", with_person},
    // Organisations: deleting one takes its members along; a member goes with the person too.
    {"PE_PartyOrg", "OrgNo INTEGER NOT NULL, OrgName TEXT, Leader TEXT, FoundDate DATE, Remark TEXT", "OrgNo"},
    {"OG_CouncilOrgDuty", "OrgNo INTEGER NOT NULL, OrgName TEXT, Leader TEXT, FoundDate DATE, Remark TEXT", "OrgNo"},
    {"DS_CivilianOrg", "OrgNo INTEGER NOT NULL, OrgName TEXT, Leader TEXT, FoundDate DATE, Remark TEXT", "OrgNo"},
    {"DS_ServiceTeam", "OrgNo INTEGER NOT NULL, OrgName TEXT, Leader TEXT, FoundDate DATE, Remark TEXT", "OrgNo"},
    {"SV_OwnerConcilOrg", "OrgNo INTEGER NOT NULL, OrgName TEXT, Leader TEXT, FoundDate DATE, Remark TEXT", "OrgNo"},
    {"DS_VoteCommittee",
     "OrgNo INTEGER NOT NULL, FallDue TEXT, OrgName TEXT, Leader TEXT, FoundDate DATE, Remark TEXT",
     "OrgNo",
     {},
     "FallDue"},
    {"DS_SuperviseGroup", "OrgNo INTEGER NOT NULL, OrgName TEXT, Leader TEXT, FoundDate DATE, Remark TEXT", "OrgNo"},
    {"PE_PartyMember", member_columns, "OrderNo",
     "FOREIGN KEY (OrgNo) REFERENCES TC_PE_PartyOrg ON DELETE CASCADE, "
     "FOREIGN KEY (PersonNo) REFERENCES TC_GE_PersonInfo ON DELETE CASCADE",
     "OrgNo, PersonNo"},
    {"OG_CouncilOrgMember", member_columns, "OrderNo",
     "FOREIGN KEY (OrgNo) REFERENCES TC_OG_CouncilOrgDuty ON DELETE CASCADE, "
     "FOREIGN KEY (PersonNo) REFERENCES TC_GE_PersonInfo ON DELETE CASCADE",
     "OrgNo, PersonNo"},
    {"DS_CivilianOrgMember", member_columns, "OrderNo",
     "FOREIGN KEY (OrgNo) REFERENCES TC_DS_CivilianOrg ON DELETE CASCADE, "
     "FOREIGN KEY (PersonNo) REFERENCES TC_GE_PersonInfo ON DELETE CASCADE",
     "OrgNo, PersonNo"},
    {"DS_ServiceTeamMember", member_columns, "OrderNo",
     "FOREIGN KEY (OrgNo) REFERENCES TC_DS_ServiceTeam ON DELETE CASCADE, "
     "FOREIGN KEY (PersonNo) REFERENCES TC_GE_PersonInfo ON DELETE CASCADE",
     "OrgNo, PersonNo"},
    {"SV_OwnerConcilMember", member_columns, "OrderNo",
     "FOREIGN KEY (OrgNo) REFERENCES TC_SV_OwnerConcilOrg ON DELETE CASCADE, "
     "FOREIGN KEY (PersonNo) REFERENCES TC_GE_PersonInfo ON DELETE CASCADE",
     "OrgNo, PersonNo"},
    {"DS_VoteCommitteeMember", member_columns, "OrderNo",
     "FOREIGN KEY (OrgNo) REFERENCES TC_DS_VoteCommittee ON DELETE CASCADE, "
     "FOREIGN KEY (PersonNo) REFERENCES TC_GE_PersonInfo ON DELETE CASCADE",
     "OrgNo, PersonNo"},
    {"DS_SuperviseGroupMember", member_columns, "OrderNo",
     "FOREIGN KEY (OrgNo) REFERENCES TC_DS_SuperviseGroup ON DELETE CASCADE, "
     "FOREIGN KEY (PersonNo) REFERENCES TC_GE_PersonInfo ON DELETE CASCADE",
     "OrgNo, PersonNo"},
    // The application's own: work parameters, users, their column rights per page, the user log.
    {"SYS_WorkParm", "ParmNo INTEGER NOT NULL, ParmName TEXT, ParmValue TEXT", "ParmNo"},
    {"SYS_User",
     "UserNo TEXT NOT NULL, UserName TEXT, PassHash TEXT, IsAdmin CHAR(1) NOT NULL DEFAULT '0', RegDate DATE",
     "UserNo"},
    {"SYS_ColumnRight",
     "UserNo TEXT NOT NULL, PageName TEXT NOT NULL, ColumnName TEXT NOT NULL, "
     "CanView CHAR(1) NOT NULL DEFAULT '1', CanEdit CHAR(1) NOT NULL DEFAULT '0'",
     "UserNo, PageName, ColumnName", "FOREIGN KEY (UserNo) REFERENCES TC_SYS_User ON DELETE CASCADE"},
    {"SYS_UserLog",
     "LogNo {serial}, UserNo TEXT, LogTime TIMESTAMP, ObjectText TEXT, Action INTEGER, Remark TEXT",
     {},
     {},
     "UserNo, LogTime"},
};

// Photo tables of the archive: photos of one record, found by the record's number.
struct PhotoTable {
    std::string_view name;
    std::string_view key;
};
constexpr PhotoTable photo_tables[] = {
    {"FamilyHonorPhoto", "HonorNo INTEGER"},
    {"PersonPhoto", "PersonNo TEXT"},
    {"BigAffairPhoto", "OrderNo INTEGER"},
    {"CommPrizePhoto", "OrderNo INTEGER"},
    {"BuildingPrizePhoto", "OrderNo INTEGER"},
    {"DonatePhoto", "ContrNo INTEGER"},
    {"CivilianOrgRecordPhoto", "OrderNo INTEGER"},
    {"CitizenMeetPhoto", "MeetNo INTEGER"},
    {"WitnessPhoto", "MeetNo INTEGER"},
    {"CitizenSchoolPhoto", "OrderNo INTEGER"},
    {"RedCrossPhoto", "OrderNo INTEGER"},
    {"HelpDeformityPhoto", "OrderNo INTEGER"},
    {"CommActivePhoto", "OrderNo INTEGER"},
    {"ElectionPhoto", "OrderNo INTEGER"},
};

std::string lower(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

std::string for_backend(std::string text, sql::Dbms dbms)
{
    const bool pg = dbms == sql::Dbms::PostgreSQL;
    auto replace = [&](std::string_view word, std::string_view by) {
        for (auto at = text.find(word); at != std::string::npos; at = text.find(word, at + by.size()))
            text.replace(at, word.size(), by);
    };
    replace("{serial}", pg ? "BIGINT GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY" : "INTEGER PRIMARY KEY");
    replace("{blob}", pg ? "BYTEA" : "BLOB");
    return text;
}

std::string create_table(std::string_view name, std::string_view columns, std::string_view key,
                         std::string_view references)
{
    std::string text = fmt::format("CREATE TABLE {} ({}", name, columns);
    if (!key.empty())
        text += fmt::format(", PRIMARY KEY ({})", key);
    if (!references.empty())
        text += fmt::format(", {}", references);
    return text + ")";
}

// One index per listed column, named after the table and the column.
void add_indexes(std::vector<std::string>& out, std::string_view table, std::string_view columns)
{
    while (!columns.empty()) {
        const auto comma = columns.find(',');
        std::string_view column = columns.substr(0, comma);
        while (column.starts_with(' '))
            column.remove_prefix(1);
        out.push_back(fmt::format("CREATE INDEX ix_{}_{} ON {} ({})", lower(table), lower(column), table, column));
        columns = comma == std::string_view::npos ? std::string_view {} : columns.substr(comma + 1);
    }
}

// The parts of a list separated by commas outside parentheses, without leading blanks.
std::vector<std::string> split_list(std::string_view list)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    int depth = 0;
    for (std::size_t i = 0; i <= list.size(); ++i) {
        const char c = i < list.size() ? list[i] : ',';
        depth += c == '(' ? 1 : c == ')' ? -1 : 0;
        if (c != ',' || depth != 0)
            continue;
        std::string_view part = list.substr(start, i - start);
        while (part.starts_with(' '))
            part.remove_prefix(1);
        if (!part.empty())
            parts.emplace_back(part);
        start = i + 1;
    }
    return parts;
}

// A history row keeps its record's key; the tie to a parent is gone, so a parent column may
// be null there.
std::string history_columns(std::string_view columns, std::string_view key)
{
    const std::vector<std::string> keys = split_list(key);
    std::string out;
    for (std::string column : split_list(columns)) {
        const std::string name = column.substr(0, column.find(' '));
        const auto not_null = column.find(" NOT NULL");
        if (std::find(keys.begin(), keys.end(), name) == keys.end() && not_null != std::string::npos
            && column.find(" DEFAULT ") == std::string::npos)
            column.erase(not_null, std::string_view(" NOT NULL").size());
        out += column + ", ";
    }
    return out + "SaveTime TIMESTAMP";
}

std::string history_name(std::string_view name)
{
    // The relation history keeps its current name, which the archive's statements use.
    return name == "GE_PersonRelation" ? "tc_ge_personrelation" : "th_" + lower(name);
}

bool has_history(const Table& table) { return table.archived || table.name == "GE_PersonRelation"; }

// A trigger that runs `body` for the row a change adds (NEW) and for the row it removes (OLD);
// `body` names the row as {row}.
void add_row_trigger(std::vector<std::string>& out, sql::Dbms dbms, std::string_view name, std::string_view table,
                     std::string_view body)
{
    auto with_row = [&](std::string_view row) {
        std::string text(body);
        for (auto at = text.find("{row}"); at != std::string::npos; at = text.find("{row}", at))
            text.replace(at, 5, row);
        return text;
    };
    if (dbms == sql::Dbms::SQLite) {
        out.push_back(
            fmt::format("CREATE TRIGGER {0}_ins AFTER INSERT ON {1} BEGIN {2}; END", name, table, with_row("NEW")));
        out.push_back(
            fmt::format("CREATE TRIGGER {0}_del AFTER DELETE ON {1} BEGIN {2}; END", name, table, with_row("OLD")));
        out.push_back(fmt::format("CREATE TRIGGER {0}_upd AFTER UPDATE ON {1} BEGIN {2}; {3}; END", name, table,
                                  with_row("OLD"), with_row("NEW")));
        return;
    }
    out.push_back(fmt::format("CREATE FUNCTION {0}() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN "
                              "IF TG_OP <> 'INSERT' THEN {1}; END IF; "
                              "IF TG_OP <> 'DELETE' THEN {2}; END IF; RETURN NULL; END $$",
                              name, with_row("OLD"), with_row("NEW")));
    out.push_back(fmt::format("CREATE TRIGGER {0} AFTER INSERT OR UPDATE OR DELETE ON {1} FOR EACH ROW "
                              "EXECUTE FUNCTION {0}()",
                              name, table));
}

// The household totals of one household, from its persons and its houses: a house with a
// house number is in the community, one without is outside it.
constexpr std::string_view person_total
    = "PersonNum = (SELECT count(*) FROM TC_GE_PersonInfo p WHERE p.RprNo = TC_GE_Rpr.RprNo)";
constexpr std::string_view house_totals
    = "InCommHouseNum = (SELECT count(*) FROM TC_GE_RprOwnHouse o WHERE o.RprNo = TC_GE_Rpr.RprNo AND o.HouseNo IS NOT "
      "NULL), "
      "OutCommHouseNum = (SELECT count(*) FROM TC_GE_RprOwnHouse o WHERE o.RprNo = TC_GE_Rpr.RprNo AND o.HouseNo IS "
      "NULL), "
      "InCommHouseArea = (SELECT coalesce(sum(o.Area), 0) FROM TC_GE_RprOwnHouse o "
      "WHERE o.RprNo = TC_GE_Rpr.RprNo AND o.HouseNo IS NOT NULL), "
      "OutCommHouseArea = (SELECT coalesce(sum(o.Area), 0) FROM TC_GE_RprOwnHouse o "
      "WHERE o.RprNo = TC_GE_Rpr.RprNo AND o.HouseNo IS NULL)";

} // namespace

std::vector<std::string> tables(Database database, sql::Dbms dbms)
{
    std::vector<std::string> out;
    out.push_back("CREATE TABLE schema_version (version INTEGER NOT NULL PRIMARY KEY)");
    if (database == Database::Records) {
        for (const Table& table : records_tables)
            out.push_back(create_table(fmt::format("TC_{}", table.name), table.columns, table.key,
                                       dbms == sql::Dbms::SQLite ? table.references : std::string_view {}));
    } else {
        for (const Table& table : records_tables)
            if (has_history(table))
                out.push_back(
                    create_table(history_name(table.name), history_columns(table.columns, table.key), table.key, {}));
        for (const PhotoTable& photo : photo_tables)
            out.push_back(create_table(
                fmt::format("TS_{}", photo.name),
                fmt::format("PhotoNo {{serial}}, {} NOT NULL, Photo {{blob}}, SaveTime TIMESTAMP", photo.key), {}, {}));
    }
    for (std::string& statement : out)
        statement = for_backend(std::move(statement), dbms);
    return out;
}

std::vector<std::string> indexes_and_triggers(Database database, sql::Dbms dbms)
{
    std::vector<std::string> out;
    if (database == Database::Archive) {
        for (const Table& table : records_tables)
            if (has_history(table)) {
                const bool person = table.columns.find("PersonNo TEXT NOT NULL") != std::string_view::npos
                    && !table.key.starts_with("PersonNo");
                add_indexes(out, history_name(table.name), person ? "PersonNo, SaveTime" : "SaveTime");
            }
        for (const PhotoTable& photo : photo_tables)
            add_indexes(out, fmt::format("TS_{}", photo.name), photo.key.substr(0, photo.key.find(' ')));
        return out;
    }
    for (const Table& table : records_tables) {
        const std::string name = fmt::format("TC_{}", table.name);
        // PostgreSQL checks a foreign key added to a full table in one pass, much faster than
        // row by row while loading; SQLite can only declare them with the table.
        if (dbms == sql::Dbms::PostgreSQL)
            for (const std::string& reference : split_list(table.references))
                out.push_back(fmt::format("ALTER TABLE {} ADD {}", name, reference));
        add_indexes(out, name, table.indexes);
        // A foreign key on a person's secondary record is searched by its person number.
        if (table.references == with_person && !table.key.starts_with("PersonNo")
            && table.indexes.find("PersonNo") == std::string_view::npos)
            add_indexes(out, name, "PersonNo");
    }
    add_row_trigger(out, dbms, "tr_person_count", "TC_GE_PersonInfo",
                    fmt::format("UPDATE TC_GE_Rpr SET {} WHERE RprNo = {{row}}.RprNo", person_total));
    add_row_trigger(out, dbms, "tr_house_totals", "TC_GE_RprOwnHouse",
                    fmt::format("UPDATE TC_GE_Rpr SET {} WHERE RprNo = {{row}}.RprNo", house_totals));
    return out;
}

std::vector<std::string> household_totals_after_load()
{
    return {"UPDATE TC_GE_Rpr SET PersonNum = p.n FROM (SELECT RprNo, count(*) AS n FROM TC_GE_PersonInfo GROUP BY "
            "RprNo) p WHERE p.RprNo = TC_GE_Rpr.RprNo",
            "UPDATE TC_GE_Rpr SET InCommHouseNum = o.inside, OutCommHouseNum = o.outside, InCommHouseArea = "
            "o.inside_area, OutCommHouseArea = o.outside_area FROM (SELECT RprNo, count(HouseNo) AS inside, "
            "count(*) - count(HouseNo) AS outside, coalesce(sum(CASE WHEN HouseNo IS NOT NULL THEN Area END), 0) "
            "AS inside_area, coalesce(sum(CASE WHEN HouseNo IS NULL THEN Area END), 0) AS outside_area FROM "
            "TC_GE_RprOwnHouse GROUP BY RprNo) o WHERE o.RprNo = TC_GE_Rpr.RprNo"};
}

std::vector<Migration> migrations(sql::Dbms dbms)
{
    Migration first {1, tables(Database::Records, dbms), tables(Database::Archive, dbms)};
    for (std::string& s : indexes_and_triggers(Database::Records, dbms))
        first.records.push_back(std::move(s));
    for (std::string& s : indexes_and_triggers(Database::Archive, dbms))
        first.archive.push_back(std::move(s));
    return {std::move(first)};
}

int current_version() { return migrations(sql::Dbms::SQLite).back().version; }

} // namespace hearth::schema
