#!/usr/bin/env python3
"""Turns office.sig, the one table of the simulated Office's signatures, into what each build needs:

  --cpp FILE    the table as C++ (sim::signatures), which the native simulator checks calls against
  --idl FILE    the type library's source for widl (Windows builds)
  --faces FILE  the C++ classes that implement each interface's vtable by handing the call to the
                simulated object (Windows builds), for oleaut32's standard dispatcher to call

A malformed line stops the build with the file and line at fault.
"""

import argparse
import re
import sys

TYPES = {
    # name: (C++ enum, IDL in, IDL retval, face argument helper, face C++ in type)
    "void": ("Void", None, None, None, None),
    "BSTR": ("String", "BSTR", "BSTR*", "bstr", "BSTR"),
    "long": ("Long", "long", "long*", "i4", "long"),
    "int": ("Int", "int", "int*", "integer", "int"),
    "bool": ("Bool", "VARIANT_BOOL", "VARIANT_BOOL*", "boolean", "VARIANT_BOOL"),
    "VARIANT": ("Variant", "VARIANT", "VARIANT*", "variant", "VARIANT"),
    "object": ("Object", "IDispatch*", "IDispatch**", "object", "IDispatch*"),
    "VARIANT*": ("VariantRef", "VARIANT*", None, "variantRef", "VARIANT*"),
    "BSTR*": ("StringRef", "BSTR*", None, "bstrRef", "BSTR*"),
    "long*": ("LongRef", "long*", None, "i4Ref", "long*"),
    "bool*": ("BoolRef", "VARIANT_BOOL*", None, "booleanRef", "VARIANT_BOOL*"),
}
BY_REFERENCE = {"VARIANT*", "BSTR*", "long*", "bool*"}
KINDS = {"method", "get", "put", "getput"}
LIBID = "{3C7E9A14-5B2D-4F68-8E07-B1D4C2A9F350}"


class TableError(Exception):
    pass


def parse(path):
    interfaces = []
    with open(path, encoding="utf-8") as source:
        for number, raw in enumerate(source, 1):
            line = raw.split("#", 1)[0].strip()
            if not line:
                continue
            try:
                words = line.split()
                if words[0] == "interface":
                    interfaces.append(parse_interface(words))
                elif words[0] in KINDS:
                    if not interfaces:
                        raise TableError("a member before any interface")
                    interfaces[-1]["members"].extend(parse_member(words, interfaces[-1]))
                else:
                    raise TableError("unknown entry " + words[0])
            except (TableError, IndexError, ValueError) as error:
                raise TableError("%s:%d: %s" % (path, number, error))
    for interface in interfaces:
        check_interface(interface)
    return interfaces


def parse_interface(words):
    name, iid = words[1], words[2]
    if not re.fullmatch(r"[A-Za-z]+\.[A-Za-z_]+", name):
        raise TableError("an interface is named Library.Name: " + name)
    if not re.fullmatch(r"\{[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}\}", iid):
        raise TableError("not an IID: " + iid)
    flags = set(words[3:])
    unknown = flags - {"dual", "nonextensible", "dynamic", "locale"}
    if unknown:
        raise TableError("unknown flags " + ", ".join(sorted(unknown)))
    if "dual" not in flags:
        raise TableError("only dual interfaces are served typed")
    if "dynamic" in flags and "nonextensible" in flags:
        raise TableError("an interface with run-time members cannot be nonextensible")
    return {"name": name, "type_name": name.replace(".", "_"), "iid": iid, "flags": flags, "members": []}


def parse_member(words, interface):
    kind, name, dispid, result = words[0], words[1], int(words[2], 0), words[3]
    if result not in TYPES or result in BY_REFERENCE:
        raise TableError("not a result type: " + result)
    params, since, until = [], 0, 0
    for word in words[4:]:
        if word.startswith("since="):
            since = int(word[6:])
        elif word.startswith("until="):
            until = int(word[6:])
        else:
            param_name, _, param_type = word.partition(":")
            optional = param_type.endswith("?")
            param_type = param_type.rstrip("?")
            if param_type not in TYPES or param_type == "void":
                raise TableError("not a parameter type: " + word)
            if optional and param_type not in ("VARIANT", "VARIANT*"):
                raise TableError("only Variants can be optional: " + word)
            if params and params[-1]["optional"] and not optional:
                raise TableError("a required parameter after an optional one: " + word)
            params.append({"name": param_name, "type": param_type, "optional": optional})
    if kind in ("get", "put", "getput") and result == "void":
        raise TableError("a property has a type")
    member = {"name": name, "dispid": dispid, "params": params, "since": since, "until": until}
    if kind == "getput":
        return [dict(member, kind="get", type=result), dict(member, kind="put", type=result)]
    return [dict(member, kind=kind, type=result)]


def check_interface(interface):
    seen = {}
    for member in interface["members"]:
        key = (member["dispid"], member["kind"], member["since"], member["until"])
        if key in seen:
            raise TableError("%s: %s and %s share a DISPID" % (interface["name"], seen[key], member["name"]))
        seen[key] = member["name"]
    splits = {m["since"] for m in interface["members"] if m["since"]} | {
        m["until"] + 1 for m in interface["members"] if m["until"]}
    if len(splits) > 1:
        raise TableError("%s: members of more than one version split" % interface["name"])
    interface["split"] = splits.pop() if splits else 0


def exists_in(member, version):
    return (not member["since"] or version >= member["since"]) and (not member["until"] or version <= member["until"])


def forms(interface):
    """The type library's forms of an interface: (type name, members)."""
    if not interface["split"]:
        return [(interface["type_name"], interface["members"])]
    split = interface["split"]
    return [(interface["type_name"], [m for m in interface["members"] if exists_in(m, split)]),
            ("%s_before%d" % (interface["type_name"], split),
             [m for m in interface["members"] if exists_in(m, split - 1)])]


def wide(text):
    return 'L"%s"' % text


# --- The C++ table ------------------------------------------------------------------------------------

def write_cpp(interfaces, path):
    out = ["// Generated by generate_signatures.py from office.sig: do not edit.",
           '#include "sim/signatures/signatures.h"', "", "#include <iterator>", "", "#include \"platform/text.h\"",
           "", "namespace sim::signatures {", "namespace {", ""]
    kinds = {"method": "kMethod", "get": "kGet", "put": "kPut"}
    for index, interface in enumerate(interfaces):
        for m_index, member in enumerate(interface["members"]):
            if member["params"]:
                rows = ", ".join("{%s, Type::%s, %s}" % (wide(p["name"]), TYPES[p["type"]][0],
                                                         "true" if p["optional"] else "false")
                                 for p in member["params"])
                out.append("constexpr Param kParams%d_%d[] = {%s};" % (index, m_index, rows))
        out.append("constexpr Member kMembers%d[] = {" % index)
        for m_index, member in enumerate(interface["members"]):
            params = ("kParams%d_%d, std::size(kParams%d_%d)" % (index, m_index, index, m_index)
                      if member["params"] else "nullptr, 0")
            out.append("    {%s, %d, %s, Type::%s, %s, %d, %d}," % (
                wide(member["name"]), member["dispid"], kinds[member["kind"]], TYPES[member["type"]][0], params,
                member["since"], member["until"]))
        out.append("};")
        out.append("")
    out.append("constexpr Interface kInterfaces[] = {")
    for index, interface in enumerate(interfaces):
        flags = interface["flags"]
        out.append("    {%s, %s, %s, %s, %s, %s, kMembers%d, std::size(kMembers%d), %d}," % (
            wide(interface["name"]), wide(interface["type_name"]), wide(interface["iid"]),
            str("nonextensible" in flags).lower(), str("dynamic" in flags).lower(), str("locale" in flags).lower(),
            index, index, interface["split"]))
    out += ["};", "", "}  // namespace", "",
            "const Interface* begin() { return std::begin(kInterfaces); }",
            "const Interface* end() { return std::end(kInterfaces); }", "",
            "const Interface* find(std::wstring_view name) {",
            "  for (const auto& entry : kInterfaces) {",
            "    if (platform::equalsIgnoreCase(entry.name, name)) return &entry;",
            "  }",
            "  return nullptr;",
            "}", "", "}  // namespace sim::signatures", ""]
    write(path, out)


# --- The type library -----------------------------------------------------------------------------------

def idl_params(member):
    params = []
    for p in member["params"]:
        attributes = ["in", "out"] if p["type"] in BY_REFERENCE else ["in"]
        if p["optional"]:
            attributes.append("optional")
        params.append("[%s] %s %s" % (", ".join(attributes), TYPES[p["type"]][1], p["name"]))
    if member["kind"] == "put":
        params.append("[in] %s value" % TYPES[member["type"]][1])
    elif member["type"] != "void":
        params.append("[out, retval] %s result" % TYPES[member["type"]][2])
    return ", ".join(params)


def write_idl(interfaces, path):
    out = ["// Generated by generate_signatures.py from office.sig: do not edit.",
           "// The simulated Office's interfaces, for the Wine test host's standard dispatcher.",
           'import "oaidl.idl";', ""]
    for interface in interfaces:
        flags = interface["flags"]
        for type_name, members in forms(interface):
            attributes = ["object", "uuid(%s)" % interface["iid"][1:-1], "dual", "oleautomation"]
            if "nonextensible" in flags:
                attributes.append("nonextensible")
            out.append("[%s]" % ", ".join(attributes))
            out.append("interface %s : IDispatch {" % type_name)
            for member in members:
                attributes = ["id(%d)" % member["dispid"]]
                if member["kind"] == "get":
                    attributes.append("propget")
                elif member["kind"] == "put":
                    attributes.append("propput")
                out.append("  [%s] HRESULT %s(%s);" % (", ".join(attributes), member["name"], idl_params(member)))
            out.append("}")
            out.append("")
    out.append("[uuid(%s), version(1.0)]" % LIBID[1:-1])
    out.append("library LockfolioSimOffice {")
    out.append('  importlib("stdole2.tlb");')
    for interface in interfaces:
        for type_name, _ in forms(interface):
            out.append("  interface %s;" % type_name)
    out.append("}")
    out.append("")
    write(path, out)


# --- The vtable classes -------------------------------------------------------------------------------

def face_method(member):
    prefix = {"get": "get_", "put": "put_", "method": ""}[member["kind"]]
    signature, calls = [], []
    for index, p in enumerate(member["params"]):
        signature.append("%s a%d" % (TYPES[p["type"]][4], index))
        calls.append("call.%s(a%d);" % (TYPES[p["type"]][3], index))
    if member["kind"] == "put":
        signature.append("%s value" % TYPES[member["type"]][4])
        calls.append("call.%s(value);" % TYPES[member["type"]][3])
        finish = "call.finish()"
    elif member["type"] == "void":
        finish = "call.finish()"
    else:
        signature.append("%s result" % TYPES[member["type"]][2])
        finish = "call.finish(result)"
    kind = {"get": "kGet", "put": "kPut", "method": "kMethod"}[member["kind"]]
    # The table's "_Default" is whatever the simulated object takes as its default member.
    target = "" if member["name"] == "_Default" else member["name"]
    body = ["    TypedCall call(*this, %s, signatures::%s);" % (wide(target), kind)]
    body += ["    " + c for c in calls]
    body.append("    return %s;" % finish)
    return ["  virtual HRESULT STDMETHODCALLTYPE %s%s(%s) {" % (prefix, member["name"], ", ".join(signature))] + body + [
        "  }"]


def write_faces(interfaces, path):
    out = ["// Generated by generate_signatures.py from office.sig: do not edit.",
           "// Each class lays out its interface's vtable after IDispatch's, in the type library's order,",
           "// and hands every call to the simulated object.",
           '#include "sim/com/typed_face.h"', "", "#include <string_view>", "",
           "namespace wine_host {", "namespace {", "", "namespace signatures = sim::signatures;", ""]
    names = []
    for interface in interfaces:
        for type_name, members in forms(interface):
            cls = "Face_" + type_name
            names.append((type_name, cls))
            out.append("class %s final : public TypedFace {" % cls)
            out.append(" public:")
            out.append("  %s(FaceOwner& owner, ITypeInfo* info, bool dynamic, bool locale)" % cls)
            out.append("      : TypedFace(owner, info, dynamic, locale, [](TypedFace* face) { delete static_cast<%s*>(face); }) {}" % cls)
            for member in members:
                out += face_method(member)
            out.append("};")
            out.append("")
    out += ["}  // namespace", "",
            "TypedFace* createTypedFace(std::wstring_view typeName, FaceOwner& owner, ITypeInfo* info, bool dynamic,",
            "                           bool locale) {"]
    for type_name, cls in names:
        out.append('  if (typeName == %s) return new %s(owner, info, dynamic, locale);' % (wide(type_name), cls))
    out += ["  return nullptr;", "}", "", "}  // namespace wine_host", ""]
    write(path, out)


def write(path, lines):
    text = "\n".join(lines)
    try:
        with open(path, encoding="utf-8") as existing:
            if existing.read() == text:
                return
    except OSError:
        pass
    with open(path, "w", encoding="utf-8") as target:
        target.write(text)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("table")
    parser.add_argument("--cpp")
    parser.add_argument("--idl")
    parser.add_argument("--faces")
    arguments = parser.parse_args()
    try:
        interfaces = parse(arguments.table)
    except (OSError, TableError) as error:
        print("generate_signatures.py: %s" % error, file=sys.stderr)
        return 1
    if arguments.cpp:
        write_cpp(interfaces, arguments.cpp)
    if arguments.idl:
        write_idl(interfaces, arguments.idl)
    if arguments.faces:
        write_faces(interfaces, arguments.faces)
    return 0


if __name__ == "__main__":
    sys.exit(main())
