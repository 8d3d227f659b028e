# The signatures the simulated Office and the vault server double answer calls with: one entry per
# interface of a type library, as the real libraries declare them. The native simulator checks every
# late-bound call against this table; the Wine test host compiles it into a type library and lets
# oleaut32's standard dispatcher check the calls, as Office's dual interfaces do.
#
#   interface <Library>.<Name> {IID} [dual] [nonextensible] [dynamic] [locale]
#     dynamic:  names the type library does not know are resolved by the object at run time
#               (Word's built-in dialogs and their settings).
#     locale:   the object implements its own IDispatch and takes the locale from the call
#               (Excel); an English Excel refuses every locale but 1033 and 0.
#   <kind> <Name> <DISPID> <type> [<Param>:<type>[?] ...] [since=N] [until=N]
#     kind:     method | get | put | getput (a get and a put of the same type)
#     type:     for get and method the result, for put the new value; void for none
#     ?:        optional
#     since/until: the member exists from / up to that major version of Office only
#
# Types, with how each travels through IDispatch and what the native simulator's Variant holds:
#   BSTR     VT_BSTR                  String; by value, any Variant converts as VariantChangeType does
#   long     VT_I4 (long, enums)      Int32; strings are parsed, Booleans give -1/0, overflow fails
#   int      VT_INT                   Int32, as long; results come back as VT_INT
#   bool     VT_BOOL (VARIANT_BOOL)   Bool; numbers give False for 0, True otherwise
#   VARIANT  VARIANT by value         any Variant; a by-reference argument is passed on as it is
#   object   IDispatch*               Object; Empty is Nothing, anything else is a type mismatch
#   VARIANT* VT_BYREF|VT_VARIANT      a reference to any Variant; a by-value argument is copied
#                                     into a temporary the callee may change (nothing comes back)
#   BSTR*    VT_BYREF|VT_BSTR         a reference typed String (Arg::byRef of a String); a reference
#   long*    VT_BYREF|VT_I4           to a Variant as such (Arg::byRefVariant, what scripts pass) or
#   bool*    VT_BYREF|VT_BOOL         of another type is a type mismatch; a by-value argument is
#                                     converted into a temporary (nothing comes back)
#
# DISPIDs and types are the real libraries' where they are known; the members only the simulator
# needs (Application, Parent, Visible, Saved, SaveAs, Close, BuiltIn, Height, ...) carry plausible
# ones, and their parameter lists are those the simulator implements.

# --- Office (MSO.DLL) -------------------------------------------------------------------------------

interface Office._CommandBars {000C0302-0000-0000-C000-000000000046} dual nonextensible
  get     Item             0           object   Index:VARIANT
  get     ActiveMenuBar    0x60030001  object
  method  Add              0x60030002  object   Name:VARIANT? Position:VARIANT? MenuBar:VARIANT? Temporary:VARIANT?
  get     Count            0x60030003  int
  getput  DisplayTooltips  0x60030004  bool
  method  FindControl      0x60030008  object   Type:VARIANT? Id:VARIANT? Tag:VARIANT? Visible:VARIANT?
  getput  LargeButtons     0x6003000A  bool

interface Office.CommandBar {000C0304-0000-0000-C000-000000000046} dual nonextensible
  get     BuiltIn          0x60040001  bool
  get     Controls         0x60040003  object
  method  Delete           0x60040004  void
  getput  Enabled          0x60040005  bool
  method  FindControl      0x60040007  object   Type:VARIANT? Id:VARIANT? Tag:VARIANT? Visible:VARIANT? Recursive:VARIANT?
  get     Height           0x60040008  int
  get     Index            0x6004000A  int
  getput  Left             0x6004000C  int
  getput  Name             0x6004000E  BSTR
  getput  NameLocal        0x6004000F  BSTR
  getput  Protection       0x60040011  long
  getput  Position         0x60040013  long
  getput  RowIndex         0x60040015  int
  getput  Top              0x60040016  int
  get     Type             0x60040017  long
  getput  Visible          0x6004001E  bool
  getput  Width            0x60040020  int

interface Office.CommandBarControls {000C0306-0000-0000-C000-000000000046} dual nonextensible
  get     Item             0           object   Index:VARIANT
  method  Add              0x60030000  object   Type:VARIANT? Id:VARIANT? Parameter:VARIANT? Before:VARIANT? Temporary:VARIANT?
  get     Count            0x60030001  int
  get     Parent           0x60030002  object

interface Office._CommandBarButton {000C030E-0000-0000-C000-000000000046} dual
  getput  BeginGroup       0x60040000  bool
  get     BuiltIn          0x60040001  bool
  getput  Caption          0x60040003  BSTR
  getput  DescriptionText  0x60040005  BSTR
  method  Delete           0x60040007  void     Temporary:VARIANT?
  getput  Enabled          0x6004000A  bool
  get     Height           0x6004000E  int
  get     Id               0x60040013  int
  get     Index            0x60040014  int
  getput  OnAction         0x6004001A  BSTR
  get     Parent           0x6004001B  object
  getput  Parameter        0x6004001D  BSTR
  getput  Tag              0x60040023  BSTR
  getput  TooltipText      0x60040025  BSTR
  get     Type             0x60040028  long
  getput  Visible          0x60040029  bool
  get     Width            0x6004002A  int
  method  CopyFace         0x60050000  void
  getput  FaceId           0x60050003  int
  method  PasteFace        0x60050005  void
  getput  State            0x60050006  long
  getput  Style            0x6005000A  long
  getput  Picture          0x6005000E  object   since=10
  getput  Mask             0x60050010  object   since=10

interface Office.CommandBarPopup {000C030A-0000-0000-C000-000000000046} dual
  getput  BeginGroup       0x60040000  bool
  get     BuiltIn          0x60040001  bool
  getput  Caption          0x60040003  BSTR
  getput  DescriptionText  0x60040005  BSTR
  method  Delete           0x60040007  void     Temporary:VARIANT?
  getput  Enabled          0x6004000A  bool
  get     Height           0x6004000E  int
  get     Id               0x60040013  int
  get     Index            0x60040014  int
  getput  OnAction         0x6004001A  BSTR
  get     Parent           0x6004001B  object
  getput  Parameter        0x6004001D  BSTR
  getput  Tag              0x60040023  BSTR
  getput  TooltipText      0x60040025  BSTR
  get     Type             0x60040028  long
  getput  Visible          0x60040029  bool
  get     Width            0x6004002A  int
  get     CommandBar       0x60050000  object
  get     Controls         0x60050001  object

interface Office.COMAddIn {000C033A-0000-0000-C000-000000000046} dual nonextensible
  getput  Description      0           BSTR
  get     Application      0x60020000  object
  get     ProgId           3           BSTR
  get     Guid             4           BSTR
  getput  Connect          6           bool
  getput  Object           7           object

interface Office.IRibbonUI {000C03A7-0000-0000-C000-000000000046} dual nonextensible
  method  Invalidate       1           void
  method  InvalidateControl 2          void     ControlID:BSTR

interface Office.IRibbonControl {000C0395-0000-0000-C000-000000000046} dual nonextensible
  get     Id               1           BSTR
  get     Context          2           object
  get     Tag              3           BSTR

interface Office.FileDialog {000C0362-0000-0000-C000-000000000046} dual nonextensible
  get     DialogType       0x60030003  long
  getput  Title            0x60030004  BSTR
  getput  ButtonName       0x60030006  BSTR
  getput  AllowMultiSelect 0x60030008  bool
  getput  FilterIndex      0x6003000A  long
  getput  InitialFileName  0x6003000C  BSTR
  get     SelectedItems    0x6003000E  object
  method  Show             0x60030011  int
  method  Execute          0x60030012  void

# --- Word (MSWORD.OLB) ------------------------------------------------------------------------------

interface Word._Application {00020970-0000-0000-C000-000000000046} dual nonextensible
  get     Name             0           BSTR
  get     ActiveDocument   3           object
  get     Documents        6           object
  get     Dialogs          19          object
  getput  Visible          23          bool
  get     Version          24          BSTR
  get     CommandBars      57          object
  get     FileDialog       450         object   FileDialogType:long  since=10
  get     Application      1000        object

interface Word.Dialogs {00020910-0000-0000-C000-000000000046} dual nonextensible
  method  Item             0           object   Index:long
  get     Count            1           long

interface Word.Dialog {000209B8-0000-0000-C000-000000000046} dual dynamic
  get     Type             0           long
  method  Update           302         void
  method  Show             336         long     TimeOut:VARIANT*?
  method  Display          338         long     TimeOut:VARIANT*?
  method  Execute          32001       void

interface Word._Document {0002096B-0000-0000-C000-000000000046} dual
  get     Name             0           BSTR
  get     Path             3           BSTR
  get     FullName         29          BSTR
  getput  Saved            40          bool
  method  SaveAs           102         void     FileName:VARIANT*?
  method  Save             108         void
  method  Close            1105        void     SaveChanges:VARIANT*?
  get     Application      1000        object
  get     Parent           1002        object

# --- Excel (EXCEL.EXE) ------------------------------------------------------------------------------

interface Excel._Application {000208D5-0000-0000-C000-000000000046} dual locale
  get     _Default         0           BSTR
  get     Name             110         BSTR
  get     Application      148         object
  get     ActiveSheet      307         object
  get     ActiveWorkbook   308         object
  get     Version          392         BSTR
  getput  Visible          558         bool
  get     Workbooks        572         object
  get     Dialogs          761         object
  getput  DefaultFilePath  1038        BSTR
  get     CommandBars      1439        object
  get     FileDialog       1942        object   fileDialogType:long  since=10

interface Excel.Dialogs {00020879-0000-0000-C000-000000000046} dual locale
  get     _Default         0           object   Index:long
  get     Count            118         long
  get     Item             170         object   Index:long

interface Excel.Dialog {0002087A-0000-0000-C000-000000000046} dual locale
  method  Show             496         bool     Arg1:VARIANT? Arg2:VARIANT? Arg3:VARIANT? Arg4:VARIANT? Arg5:VARIANT? Arg6:VARIANT? Arg7:VARIANT? Arg8:VARIANT? Arg9:VARIANT? Arg10:VARIANT? Arg11:VARIANT? Arg12:VARIANT? Arg13:VARIANT? Arg14:VARIANT? Arg15:VARIANT? Arg16:VARIANT? Arg17:VARIANT? Arg18:VARIANT? Arg19:VARIANT? Arg20:VARIANT? Arg21:VARIANT? Arg22:VARIANT? Arg23:VARIANT? Arg24:VARIANT? Arg25:VARIANT? Arg26:VARIANT? Arg27:VARIANT? Arg28:VARIANT? Arg29:VARIANT? Arg30:VARIANT?

interface Excel._Workbook {000208DA-0000-0000-C000-000000000046} dual locale
  get     Name             110         BSTR
  get     Application      148         object
  get     Parent           150         object
  method  Close            277         void     SaveChanges:VARIANT?
  method  Save             283         void
  method  SaveAs           284         void     FileName:VARIANT?
  get     FullName         289         BSTR
  get     Path             291         BSTR
  getput  Saved            298         bool
  get     ActiveSheet      307         object
  get     Sheets           485         object   Index:VARIANT
  get     Worksheets       494         object   Index:VARIANT

# --- PowerPoint (MSPPT.OLB) -------------------------------------------------------------------------

interface PowerPoint._Application {91493442-5A91-11CF-8700-00AA0060263B} dual nonextensible
  get     Name             0           BSTR
  get     Application      2001        object
  get     Presentations    2004        object
  get     ActivePresentation 2005      object
  get     CommandBars      2007        object
  get     Version          2014        BSTR
  get     Visible          2021        long
  method  FileDialog       2023        object   Type:long  until=9
  get     FileDialog       2045        object   Type:long  since=10

interface PowerPoint.FileDialog {914934BD-5A91-11CF-8700-00AA0060263B} dual nonextensible
  getput  DialogTitle      2005        BSTR
  getput  ActionButtonName 2006        BSTR
  getput  IsMultiSelect    2007        long
  getput  InitialView      2011        long
  method  Launch           2012        void     pUnk:object
  getput  OnAction         2013        BSTR

interface PowerPoint._Presentation {9149349D-5A91-11CF-8700-00AA0060263B} dual nonextensible
  get     Application      2001        object
  get     Parent           2002        object
  get     FullName         2024        BSTR
  get     Name             2025        BSTR
  get     Path             2026        BSTR
  method  Save             2035        void
  getput  Saved            2036        bool
  method  SaveAs           2037        void     FileName:VARIANT?
  method  Close            2039        void     SaveChanges:VARIANT?

# --- The vault server ("Morvane.Vault") -------------------------------------------------------------

interface Morvane.IVaultServer {4F6D2A51-8C3E-4B7A-9D15-2E7C0B9A6F31} dual nonextensible
  method  SelectAndLogin   1           long     strDrive:BSTR*
  method  IsFileFromVault  2           long     strPath:BSTR*
