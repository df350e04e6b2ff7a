#include "app/sample_data.h"

#include <fmt/format.h>

#include <array>
#include <random>
#include <vector>

namespace hearth::sample {

namespace {

using schema::Database;

constexpr std::string_view surnames[]
    = {"王", "李", "张", "刘", "陈", "杨", "黄", "赵", "吴", "周", "徐", "孙", "马", "朱", "胡",
       "郭", "何", "高", "林", "罗", "郑", "梁", "谢", "宋", "唐", "许", "韩", "冯", "邓", "曹"};
constexpr std::string_view male_names[] = {"伟", "强",   "磊",   "军",   "勇",   "杰",   "涛",   "明",   "超",
                                           "刚", "建国", "志强", "海峰", "国华", "文博", "子轩", "浩然", "俊杰"};
constexpr std::string_view female_names[] = {"芳",   "娜",   "秀英", "敏",   "静", "丽",   "艳",   "娟", "霞",
                                             "桂英", "秀兰", "玉梅", "婷婷", "雪", "欣怡", "梓涵", "慧", "晓燕"};
constexpr std::string_view streets[] = {"和平路", "建设街", "光明巷", "幸福里", "新华路", "胜利街"};
constexpr std::string_view districts[] = {"110105", "320102", "330106", "440305", "510107", "610113"};
constexpr std::string_view nations[] = {"汉族", "汉族", "汉族", "汉族", "回族", "满族", "蒙古族", "壮族"};
constexpr std::string_view educations[] = {"小学", "初中", "高中", "中专", "大专", "本科", "研究生"};
constexpr std::string_view honours[] = {"五好家庭", "文明家庭", "绿色家庭", "学习型家庭", "平安家庭"};

// The generator draws from mt19937_64 with its own small distributions, whose results do not
// depend on the standard library's version.
class Draw {
public:
    explicit Draw(std::uint64_t seed) : m_engine(seed) {}
    long below(long n) { return static_cast<long>(m_engine() % static_cast<std::uint64_t>(n)); }
    bool chance(long percent) { return below(100) < percent; }
    template <class T, std::size_t N> T pick(const T (&list)[N]) { return list[below(static_cast<long>(N))]; }

private:
    std::mt19937_64 m_engine;
};

struct Day {
    int year, month, day;
    std::string text() const { return fmt::format("{:04d}-{:02d}-{:02d}", year, month, day); }
};

Day draw_day(Draw& draw, int from_year, int to_year)
{
    return {from_year + static_cast<int>(draw.below(to_year - from_year + 1)), 1 + static_cast<int>(draw.below(12)),
            1 + static_cast<int>(draw.below(28))};
}

std::string id_number(Draw& draw, Day birth, bool male)
{
    const long sequence = draw.below(500) * 2 + (male ? 1 : 0);
    std::string first
        = fmt::format("{}{:04d}{:02d}{:02d}{:03d}", draw.pick(districts), birth.year, birth.month, birth.day, sequence);
    return first + id_check_digit(first);
}

std::string phone(Draw& draw) { return fmt::format("1{}{:09d}", 3 + draw.below(6), draw.below(1000000000)); }

// A 2x2 pixel 24-bit BMP in one colour: small, valid, and different from photo to photo.
std::string photo(Draw& draw)
{
    std::string bmp = std::string("BM") + std::string(52, '\0');
    auto put32 = [&](std::size_t at, std::uint32_t value) {
        for (int i = 0; i < 4; ++i)
            bmp[at + i] = static_cast<char>((value >> (8 * i)) & 0xff);
    };
    put32(2, 54 + 16);          // file size
    put32(10, 54);              // pixel data offset
    put32(14, 40);              // header size
    put32(18, 2);               // width
    put32(22, 2);               // height
    put32(26, 1 | (24u << 16)); // one plane, 24 bits a pixel
    put32(34, 16);              // pixel data size: two rows of 6 bytes, each padded to 8
    const auto colour = static_cast<std::uint32_t>(draw.below(1 << 24));
    for (int row = 0; row < 2; ++row) {
        for (int pixel = 0; pixel < 2; ++pixel)
            for (int byte = 0; byte < 3; ++byte)
                bmp += static_cast<char>((colour >> (8 * byte)) & 0xff);
        bmp += std::string(2, '\0');
    }
    return bmp;
}

constexpr std::string_view organisations[][2] = {{"PE_PartyOrg", "PE_PartyMember"},
                                                 {"OG_CouncilOrgDuty", "OG_CouncilOrgMember"},
                                                 {"DS_CivilianOrg", "DS_CivilianOrgMember"},
                                                 {"DS_ServiceTeam", "DS_ServiceTeamMember"},
                                                 {"SV_OwnerConcilOrg", "SV_OwnerConcilMember"},
                                                 {"DS_VoteCommittee", "DS_VoteCommitteeMember"},
                                                 {"DS_SuperviseGroup", "DS_SuperviseGroupMember"}};
constexpr std::string_view organisation_names[]
    = {"社区党支部", "居委会", "社区文体协会", "志愿服务队", "业主委员会", "选举委员会", "民主监督小组"};
constexpr std::string_view terms[] = {"2018-2020", "2021-2023", "2024-2026"};

} // namespace

void write_settings_and_users(RowSink& sink, const std::string& admin_hash, const std::string& user_hash)
{
    // Elements 7 to 16 switch the archiving of one table each; a new database archives all.
    static constexpr std::string_view parameters[][2] = {
        {"社区名称", "和平社区"},   {"街道名称", "和平街道"},   {"区县名称", "和平区"},     {"城市名称", "和平市"},
        {"联系电话", ""},           {"邮政编码", ""},           {"归档户籍信息", "是"},     {"归档个人信息", "是"},
        {"归档个人其他信息", "是"}, {"归档工作单位信息", "是"}, {"归档外出寄住信息", "是"}, {"归档低保家庭信息", "是"},
        {"归档失业人员信息", "是"}, {"归档老年人信息", "是"},   {"归档儿童信息", "是"},     {"归档育龄妇女信息", "是"}};
    const int parm = sink.table(Database::Records, "TC_SYS_WorkParm", {"ParmNo", "ParmName", "ParmValue"});
    int number = 0;
    for (const auto& [name, value] : parameters)
        sink.insert(parm, {++number, name, value});
    const int user = sink.table(Database::Records, "TC_SYS_User", {"UserNo", "UserName", "PassHash", "IsAdmin"});
    sink.insert(user, {"velmora_admin", "总管员", admin_hash, "1"});
    sink.insert(user, {"user01", "操作员", user_hash, "0"});
    // "*" stands for every page and every column.
    const int right = sink.table(Database::Records, "TC_SYS_ColumnRight",
                                 {"UserNo", "PageName", "ColumnName", "CanView", "CanEdit"});
    sink.insert(right, {"velmora_admin", "*", "*", "1", "1"});
    sink.insert(right, {"user01", "*", "*", "1", "0"});
}

void write_sample(RowSink& sink, long households, std::uint64_t seed)
{
    if (households <= 0)
        return;
    Draw draw(seed);
    const long buildings = (households + 19) / 20;
    const long regions = (buildings + 9) / 10;

    const int region
        = sink.table(Database::Records, "TC_GE_RegionalManage", {"RegionalNo", "RegionalName", "Manager", "Phone"});
    for (long r = 1; r <= regions; ++r)
        sink.insert(region,
                    {r, fmt::format("第{}责任区", r), fmt::format("{}{}", draw.pick(surnames), draw.pick(female_names)),
                     phone(draw)});

    const int building = sink.table(Database::Records, "TC_GE_Building",
                                    {"BuildingNo", "RegionalNo", "BuildingName", "Address", "BuildDate", "FloorCount"});
    const int prize = sink.table(Database::Records, "TC_GE_BuildingPrize",
                                 {"OrderNo", "BuildingNo", "PrizeName", "PrizeDate", "Grantor"});
    const int prize_photo = sink.table(Database::Archive, "TS_BuildingPrizePhoto", {"OrderNo", "Photo", "SaveTime"});
    long prizes = 0;
    for (long b = 1; b <= buildings; ++b) {
        sink.insert(building,
                    {b, (b - 1) / 10 + 1, fmt::format("{}号楼", b), fmt::format("{}{}号", streets[b % 6], b),
                     draw_day(draw, 1980, 2015).text(), 2 + draw.below(30)});
        if (b % 4 == 1) {
            ++prizes;
            sink.insert(prize, {prizes, b, "文明楼院", draw_day(draw, 2010, 2024).text(), "和平街道办事处"});
            sink.insert(prize_photo, {prizes, Field::bytes(photo(draw)), "2025-01-01 09:00:00"});
        }
    }

    // Organisations come before their members.
    std::array<int, 7> organisation {};
    std::array<int, 7> member {};
    for (std::size_t o = 0; o < 7; ++o) {
        const bool vote = o == 5;
        organisation[o] = vote ? sink.table(Database::Records, "TC_DS_VoteCommittee",
                                            {"OrgNo", "OrgName", "Leader", "FoundDate", "FallDue"})
                               : sink.table(Database::Records, fmt::format("TC_{}", organisations[o][0]),
                                            {"OrgNo", "OrgName", "Leader", "FoundDate"});
        member[o] = sink.table(Database::Records, fmt::format("TC_{}", organisations[o][1]),
                               {"OrderNo", "OrgNo", "PersonNo", "Name", "Duty", "JoinDate"});
        for (long n = 1; n <= 3; ++n) {
            const std::string name = fmt::format("{}{}", organisation_names[o], n);
            const std::string leader = fmt::format("{}{}", draw.pick(surnames), draw.pick(male_names));
            if (vote)
                sink.insert(organisation[o], {n, name, leader, draw_day(draw, 2000, 2020).text(), terms[n - 1]});
            else
                sink.insert(organisation[o], {n, name, leader, draw_day(draw, 2000, 2020).text()});
        }
    }
    const int vote
        = sink.table(Database::Records, "TC_DS_VoteRecord", {"OrderNo", "FallDue", "VoteDate", "VoterNum", "VotedNum"});
    const int election_photo = sink.table(Database::Archive, "TS_ElectionPhoto", {"OrderNo", "Photo", "SaveTime"});
    for (long t = 1; t <= 3; ++t) {
        const long voters = households * 2 + 1;
        sink.insert(vote,
                    {t, terms[t - 1], fmt::format("{}-05-20", 2015 + 3 * t), voters, voters - draw.below(voters)});
        sink.insert(election_photo, {t, Field::bytes(photo(draw)), "2025-01-01 09:00:00"});
    }

    const int house = sink.table(Database::Records, "TC_GE_HouseInfo",
                                 {"HouseNo", "BuildingNo", "DoorNo", "Address", "Area", "HouseType"});
    const int rpr
        = sink.table(Database::Records, "TC_GE_Rpr", {"RprNo", "HostName", "RprType", "Address", "Phone", "RegDate"});
    const int person = sink.table(Database::Records, "TC_GE_PersonInfo",
                                  {"PersonNo", "RprNo", "Name", "Sex", "IDCard", "BirthDate", "Nation", "HostRelation",
                                   "RoleRelation", "Education", "Marriage", "Address", "Phone", "RegDate"});
    const int other = sink.table(Database::Records, "TC_GE_PersonOtherInfo", {"PersonNo", "BloodType", "Speciality"});
    const int relation
        = sink.table(Database::Records, "TC_GE_PersonRelation", {"PersonNo", "RoleRelation", "PersonNo2"});
    const int own = sink.table(Database::Records, "TC_GE_RprOwnHouse",
                               {"OrderNo", "RprNo", "HouseNo", "Address", "Area", "OwnKind", "RegDate"});
    const int rent
        = sink.table(Database::Records, "TC_GE_RentHouseReg",
                     {"OrderNo", "HouseNo", "RenterName", "IDCard", "Phone", "StartDate", "EndDate", "Rent"});
    const int registry = sink.table(Database::Records, "TC_GE_RentRegistry",
                                    {"OrderNo", "HouseNo", "RenterName", "IDCard", "RegDate", "Purpose"});
    const int honour
        = sink.table(Database::Records, "TC_GE_FamilyHonor", {"HonorNo", "RprNo", "HonorName", "HonorDate", "Grantor"});
    const int honour_photo = sink.table(Database::Archive, "TS_FamilyHonorPhoto", {"HonorNo", "Photo", "SaveTime"});
    const int person_photo = sink.table(Database::Archive, "TS_PersonPhoto", {"PersonNo", "Photo", "SaveTime"});
    const int company
        = sink.table(Database::Records, "TC_GE_Company", {"OrderNo", "PersonNo", "CompanyName", "Duty", "StartDate"});
    const int elder
        = sink.table(Database::Records, "TC_SV_ElderInfo", {"OrderNo", "PersonNo", "LiveAlone", "Guardian"});
    const int child = sink.table(Database::Records, "TC_SV_Children", {"OrderNo", "PersonNo", "School", "Guardian"});
    const int woman
        = sink.table(Database::Records, "TC_MH_AdultWomanInfo", {"OrderNo", "PersonNo", "MarryDate", "ChildNum"});
    const int out_of_work
        = sink.table(Database::Records, "TC_SV_OOWPersonInfo", {"OrderNo", "PersonNo", "CertNo", "IsJob", "LoseDate"});
    const int low_income = sink.table(Database::Records, "TC_SV_MLPFamilyInfo",
                                      {"OrderNo", "PersonNo", "CertNo", "Amount", "StartDate"});
    const int handicapped = sink.table(Database::Records, "TC_SV_Handicapped",
                                       {"PersonNo", "HealthType", "HandicapKind", "CardNo", "RegDate"});
    const int lunacy
        = sink.table(Database::Records, "TC_SV_LunacyPrevCure", {"PersonNo", "Diagnosis", "Guardian", "RegDate"});
    const int retired = sink.table(Database::Records, "TC_SV_RetirePerson", {"PersonNo", "RetireDate", "Pension"});

    long owned = 0, rented = 0, registered = 0, honoured = 0, secondary = 0, members = 0;
    for (long h = 0; h < households && sink.ok(); ++h) {
        const long house_no = h + 1;
        const long building_no = h / 20 + 1;
        const std::string address = fmt::format("{}{}号{}室", streets[building_no % 6], building_no, 101 + h % 20);
        const double area = 40 + static_cast<double>(draw.below(12000)) / 100;
        sink.insert(house,
                    {house_no, building_no, fmt::format("{}室", 101 + h % 20), address, area,
                     draw.chance(80) ? "住宅" : "商住"});
        if (draw.chance(8))
            sink.insert(rent,
                        {++rented, house_no, fmt::format("{}{}", draw.pick(surnames), draw.pick(male_names)),
                         id_number(draw, draw_day(draw, 1960, 2000), true), phone(draw), "2024-01-01", "2025-12-31",
                         1500 + static_cast<double>(draw.below(300000)) / 100});
        if (draw.chance(5))
            sink.insert(registry,
                        {++registered, house_no, fmt::format("{}{}", draw.pick(surnames), draw.pick(female_names)),
                         id_number(draw, draw_day(draw, 1960, 2000), false), draw_day(draw, 2020, 2025).text(),
                         "居住"});

        const std::string rpr_no = fmt::format("R{:09d}", h + 1);
        const std::string_view surname = draw.pick(surnames);
        const long size = 1 + draw.below(5);
        const std::string host = fmt::format("{}{}", surname, draw.pick(male_names));
        sink.insert(
            rpr,
            {rpr_no, host, draw.chance(90) ? "城镇" : "农业", address, phone(draw), draw_day(draw, 1990, 2024).text()});
        sink.insert(own, {++owned, rpr_no, house_no, address, area, "自有", draw_day(draw, 1995, 2024).text()});
        if (draw.chance(20))
            sink.insert(own,
                        {++owned, rpr_no, nullptr, fmt::format("{}{}号", draw.pick(streets), 1 + draw.below(300)),
                         30 + static_cast<double>(draw.below(10000)) / 100, "自有", draw_day(draw, 1995, 2024).text()});
        if (draw.chance(10)) {
            sink.insert(honour,
                        {++honoured, rpr_no, draw.pick(honours), draw_day(draw, 2010, 2024).text(), "和平街道办事处"});
            sink.insert(honour_photo, {honoured, Field::bytes(photo(draw)), "2025-01-01 09:00:00"});
        }

        const int head_year = 1940 + static_cast<int>(draw.below(50));
        std::string head_no;
        for (long k = 0; k < size; ++k) {
            // The head, a spouse, then children (or parents of a young head).
            const bool male = k == 0 || (k > 1 && draw.chance(50));
            const std::string_view relation_code = k == 0 ? "02" : k == 1 ? "10" : "20";
            const int year = k < 2 ? head_year + static_cast<int>(draw.below(5))
                                   : head_year + 22 + static_cast<int>(draw.below(15));
            const Day birth {year, 1 + static_cast<int>(draw.below(12)), 1 + static_cast<int>(draw.below(28))};
            const int age = 2025 - year;
            const std::string person_no = fmt::format("{}{:02d}", rpr_no, k + 1);
            const std::string name = k == 0 ? host
                : k == 1                    ? fmt::format("{}{}", draw.pick(surnames), draw.pick(female_names))
                         : fmt::format("{}{}", surname, male ? draw.pick(male_names) : draw.pick(female_names));
            sink.insert(person,
                        {person_no, rpr_no, name, male ? "1" : "2", id_number(draw, birth, male), birth.text(),
                         draw.pick(nations), relation_code, relation_code, draw.pick(educations),
                         k < 2 && size > 1 ? "已婚" : "未婚", address, phone(draw), draw_day(draw, 1990, 2024).text()});
            if (k == 0)
                head_no = person_no;
            if (draw.chance(30))
                sink.insert(other, {person_no, draw.chance(50) ? "A" : "O", "书法"});
            if (draw.chance(10))
                sink.insert(person_photo, {person_no, Field::bytes(photo(draw)), "2025-01-01 09:00:00"});
            if (age >= 18 && age < 60 && draw.chance(40))
                sink.insert(company,
                            {++secondary, person_no, fmt::format("{}公司", draw.pick(streets)), "职员",
                             draw_day(draw, 2000, 2024).text()});
            if (age >= 60) {
                sink.insert(elder, {++secondary, person_no, size == 1 ? "1" : "0", host});
                if (draw.chance(50))
                    sink.insert(retired,
                                {person_no, fmt::format("{}-06-30", year + 60),
                                 2000 + static_cast<double>(draw.below(400000)) / 100});
            }
            if (age < 18)
                sink.insert(child, {++secondary, person_no, "和平小学", host});
            if (k == 1) {
                if (age < 50)
                    sink.insert(woman, {++secondary, person_no, draw_day(draw, year + 20, year + 30).text(), size - 2});
                sink.insert(relation, {person_no, "11", head_no});
            }
            if (age >= 18 && age < 60 && draw.chance(3))
                sink.insert(out_of_work,
                            {++secondary, person_no, fmt::format("SY{:08d}", secondary), draw.chance(50) ? "0" : "1",
                             draw_day(draw, 2020, 2024).text()});
            if (draw.chance(2))
                sink.insert(low_income,
                            {++secondary, person_no, fmt::format("DB{:08d}", secondary),
                             300 + static_cast<double>(draw.below(50000)) / 100, draw_day(draw, 2018, 2024).text()});
            if (draw.chance(2)) {
                // A third of them are also cared for as mentally ill ("56").
                const bool both = draw.chance(33);
                sink.insert(handicapped,
                            {person_no, both ? "56" : "50", draw.chance(50) ? "肢体" : "视力",
                             fmt::format("CJ{}", person_no), draw_day(draw, 2005, 2024).text()});
                if (both)
                    sink.insert(lunacy, {person_no, "精神分裂症", host, draw_day(draw, 2005, 2024).text()});
            }
            if (age >= 18 && draw.chance(4)) {
                const auto o = static_cast<std::size_t>(draw.below(7));
                sink.insert(member[o],
                            {++members, 1 + draw.below(3), person_no, name, "成员", draw_day(draw, 2000, 2024).text()});
            }
        }
    }
}

} // namespace hearth::sample
