object dmMain: TdmMain
  object Database: TpZAZDatabase
    DBName = 'DB.GDB'
    DBParams.Strings = (
      'lc_ctype=UTF8'
      ''
      'user_name=SYSDBA'
      'password=plumtrove')
    DefaultTransaction = Transaction
    DefaultUpdateTransaction = Transaction
    SQLDialect = 1
    Timeout = 0
    WaitForRestoreConnect = 0
  end
  object Transaction: TpZAZTransaction
    DefaultDatabase = Database
    TimeoutAction = TACommitRetaining
  end
  object qProjects: TpZAZDataSet
    UpdateSQL.Strings = (
      'UPDATE PROJECTS'
      'SET '
      '    NAME = ?NAME,'
      '    BKFOLDER = ?BKFOLDER,'
      '    RSFOLDER = ?RSFOLDER,'
      '    SERVERNAME = ?SERVERNAME,'
      '    PROTOCOL = ?PROTOCOL,'
      '    RMFOLDER = ?RMFOLDER,'
      '    ISREMOTE = ?ISREMOTE,'
      '    OPTIONSDB = ?OPTIONSDB'
      'WHERE'
      '    ID = ?OLD_ID'
      '    ')
    DeleteSQL.Strings = (
      'DELETE FROM'
      '    PROJECTS'
      'WHERE'
      '        ID = ?OLD_ID'
      '    ')
    InsertSQL.Strings = (
      'INSERT INTO PROJECTS('
      '    ID,'
      '    NAME,'
      '    BKFOLDER,'
      '    RSFOLDER,'
      '    SERVERNAME,'
      '    PROTOCOL,'
      '    RMFOLDER,'
      '    ISREMOTE,'
      '    OPTIONSDB'
      ')'
      'VALUES('
      '    ?ID,'
      '    ?NAME,'
      '    ?BKFOLDER,'
      '    ?RSFOLDER,'
      '    ?SERVERNAME,'
      '    ?PROTOCOL,'
      '    ?RMFOLDER,'
      '    ?ISREMOTE,'
      '    ?OPTIONSDB'
      ')')
    RefreshSQL.Strings = (
      'SELECT * FROM projects'
      ''
      ' WHERE '
      '        PROJECTS.ID = ?OLD_ID'
      '    ORDER BY name')
    SelectSQL.Strings = (
      'SELECT * FROM projects ORDER BY name')
    AutoUpdateOptions.UpdateTableName = 'PROJECTS'
    AutoUpdateOptions.KeyFields = 'ID'
    AutoUpdateOptions.AutoReWriteSqls = True
    AutoUpdateOptions.GeneratorName = 'PROJECTS_ID'
    AutoUpdateOptions.WhenGetGenID = wgOnNewRecord
    DefaultFormats.DateTimeDisplayFormat = 'dd.mm.yyyy hh:mm:ss'
    DefaultFormats.DisplayFormatTime = 'hh:mm:ss'
    Database = Database
    Transaction = Transaction
  end
  object qBackups: TpZAZDataSet
    SelectSQL.Strings = (
      'SELECT backups.*, projects.* FROM backups LEFT JOIN projects ON (pr' +
        'ojects.id = backups.idproject) ORDER BY  bkdate DESC')
    AutoUpdateOptions.UpdateTableName = 'BACKUPS'
    AutoUpdateOptions.KeyFields = 'ID'
    AutoUpdateOptions.AutoReWriteSqls = True
    AutoUpdateOptions.GeneratorName = 'BACKUPS_ID'
    AutoUpdateOptions.WhenGetGenID = wgOnNewRecord
    DefaultFormats.DateTimeDisplayFormat = 'dd.mm.yyyy hh:mm:ss'
    DefaultFormats.DisplayFormatTime = 'hh:mm:ss'
    Database = Database
    Transaction = Transaction
  end
  object qOptions: TpZAZDataSet
    UpdateSQL.Strings = (
      'UPDATE OPTIONS'
      'SET '
      '    PASS = ?PASS,'
      '    EXTENSION = ?EXTENSION'
      '    ')
    DeleteSQL.Strings = (
      '    ')
    RefreshSQL.Strings = (
      'SELECT * FROM options')
    SelectSQL.Strings = (
      'SELECT * FROM options')
    AutoUpdateOptions.GeneratorName = 'GEN__ID'
    DefaultFormats.DateTimeDisplayFormat = 'dd.mm.yyyy hh:mm:ss'
    DefaultFormats.DisplayFormatTime = 'hh:mm:ss'
    Database = Database
    Transaction = Transaction
  end
  object mdDbFiles: TdxMemData
    Indexes = <>
    SortOptions = []
    SortedField = 'name'
    object mdDbFilesfilename: TStringField
      FieldName = 'filename'
      Size = 255
    end
    object mdDbFilescheck: TBooleanField
      FieldName = 'check'
    end
  end
  object dsProjects: TDataSource
    DataSet = qProjects
    OnDataChange = dsProjectsDataChange
  end
  object dsBackups: TDataSource
    DataSet = qBackups
    OnDataChange = dsBackupsDataChange
  end
  object dsDbFiles: TDataSource
    DataSet = mdDbFiles
  end
  object BackupService: TpZAZBackupService
    LoginPrompt = False
    OnTextNotify = BackupServiceTextNotify
    Verbose = True
    BlockingFactor = 0
    Options = [IgnoreChecksums, IgnoreLimbo]
  end
  object RestoreService: TpZAZRestoreService
    LoginPrompt = False
    OnTextNotify = RestoreServiceTextNotify
    Verbose = True
    PageSize = 4096
    PageBuffers = 0
    Options = [Replace, CreateNewDB]
  end
  object ValidationService: TpZAZValidationService
    LoginPrompt = False
    GlobalAction = CommitGlobal
    OnTextNotify = ValidationServiceTextNotify
  end
end
