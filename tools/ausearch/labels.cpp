// The label table of the interpreted output and its look-up (see labels.h).
#include "labels.h"

#include <cstddef>

namespace kvrtools {

namespace {

// Chinese labels of the common fields. None of them contains "日期" or
// "用户id" (the owner of a file is 属主, not a user id).
struct LabelEntry {
    std::string_view name;
    FieldInfo info;
};
const LabelEntry labelEntries[] = {
    {"arch", {" 架构=", FieldKind::Arch}},
    {"syscall", {" 系统调用=", FieldKind::Syscall}},
    {"success", {" 成功=", FieldKind::Plain}},
    {"exit", {" 返回值=", FieldKind::Plain}},
    {"items", {{}, FieldKind::Omit}},
    {"ppid", {" 父进程号=", FieldKind::Plain}},
    {"pid", {" 进程号=", FieldKind::Plain}},
    {"auid", {" 审计用户=", FieldKind::User}},
    {"uid", {" 用户=", FieldKind::User}},
    {"euid", {" 有效用户=", FieldKind::User}},
    {"suid", {{}, FieldKind::Omit}},
    {"fsuid", {{}, FieldKind::Omit}},
    {"ouid", {" 属主=", FieldKind::User}},
    {"iuid", {" 节点属主=", FieldKind::User}},
    {"old-auid", {" 原审计用户=", FieldKind::User}},
    {"oauid", {" 对方审计用户=", FieldKind::User}},
    {"id", {" 账户号=", FieldKind::User}},
    {"gid", {" 组=", FieldKind::Group}},
    {"egid", {" 有效组=", FieldKind::Group}},
    {"sgid", {{}, FieldKind::Omit}},
    {"fsgid", {{}, FieldKind::Omit}},
    {"ogid", {" 属组=", FieldKind::Group}},
    {"tty", {" 终端=", FieldKind::Plain}},
    {"ses", {" 会话=", FieldKind::Plain}},
    {"comm", {" 命令=", FieldKind::Encoded}},
    {"exe", {" 程序=", FieldKind::Encoded}},
    {"key", {" 关键字=", FieldKind::Encoded}},
    {"name", {" 名称=", FieldKind::Encoded}},
    {"cwd", {" 工作目录=", FieldKind::Encoded}},
    {"proctitle", {" 进程标题=", FieldKind::Encoded}},
    {"cmd", {" 命令行=", FieldKind::Encoded}},
    {"acct", {" 账户=", FieldKind::Encoded}},
    {"terminal", {" 终端名=", FieldKind::Plain}},
    {"hostname", {" 主机名=", FieldKind::Plain}},
    {"addr", {" 地址=", FieldKind::Plain}},
    {"res", {" 结果=", FieldKind::Plain}},
    {"op", {" 操作=", FieldKind::Plain}},
    {"argc", {" 参数个数=", FieldKind::Plain}},
    {"mode", {" 模式=", FieldKind::Plain}},
    {"inode", {" 索引节点=", FieldKind::Plain}},
    {"dev", {" 设备=", FieldKind::Plain}},
    {"nametype", {" 名称类型=", FieldKind::Plain}},
    {"subj", {" 主体=", FieldKind::Plain}},
    {"obj", {" 客体=", FieldKind::Plain}},
    // Saved and file-system ids repeat the real and effective ones, and the
    // file capabilities of a PATH are almost always zero: the interpreted
    // view leaves them out (the raw view keeps every field). Keeping the
    // lines short also keeps the report pipelines that read them fast.
    {"rdev", {{}, FieldKind::Omit}},
    {"cap_fp", {{}, FieldKind::Omit}},
    {"cap_fi", {{}, FieldKind::Omit}},
    {"cap_fe", {{}, FieldKind::Omit}},
    {"cap_fver", {{}, FieldKind::Omit}},
    {"cap_frootid", {{}, FieldKind::Omit}},
    // Encoded by the kernel or the user-space tools, printed under their own name.
    {"path", {{}, FieldKind::Encoded}},
    {"ocomm", {{}, FieldKind::Encoded}},
    {"dir", {{}, FieldKind::Encoded}},
    {"file", {{}, FieldKind::Encoded}},
    {"watch", {{}, FieldKind::Encoded}},
    {"data", {{}, FieldKind::Encoded}},
    {"new-name", {{}, FieldKind::Encoded}},
    {"old-name", {{}, FieldKind::Encoded}},
    {"new_name", {{}, FieldKind::Encoded}},
    {"grp", {{}, FieldKind::Encoded}},
};

// Open-addressing table over labelEntries: a field name is looked up for
// every field printed, so this stays clear of std::hash and allocation.
class LabelTable
{
public:
    LabelTable()
    {
        for (const auto &e : labelEntries) {
            size_t h = hash(e.name);
            while (slots_[h])
                h = (h + 1) & (size - 1);
            slots_[h] = &e;
        }
    }
    const LabelEntry *find(std::string_view name) const
    {
        if (name.empty())
            return nullptr;
        for (size_t h = hash(name); slots_[h]; h = (h + 1) & (size - 1))
            if (slots_[h]->name == name)
                return slots_[h];
        return nullptr;
    }

private:
    static constexpr size_t size = 256;
    static size_t hash(std::string_view n)
    {
        auto at = [n](size_t i) { return size_t(static_cast<unsigned char>(n[i])); };
        return (n.size() * 31u + at(0) * 7u + at(n.size() - 1) * 131u
                + (n.size() > 2 ? at(1) * 17u : 0u))
            & (size - 1);
    }
    const LabelEntry *slots_[size] = {};
};

} // namespace

FieldInfo fieldInfo(std::string_view name, std::string_view type)
{
    static const LabelTable table;
    if (const LabelEntry *e = table.find(name))
        return e->info;
    // Arguments of an EXECVE record (a0, a1, a2[0], ...) are the command
    // line; in a SYSCALL record a0..a3 are raw register values, left out.
    const bool argument = name.size() >= 2 && name[0] == 'a' && name[1] >= '0' && name[1] <= '9';
    if (argument && type == "EXECVE")
        return {{}, FieldKind::Encoded};
    if (argument && type == "SYSCALL")
        return {{}, FieldKind::Omit};
    return {{}, FieldKind::Plain};
}

} // namespace kvrtools
